#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace pelmora {

// Locale-independent reading of numbers in text. Fractions are rounded to a whole number with
// halves going to the even neighbour. Magnitudes far beyond 64 bits saturate, so a caller only
// has to check the range it needs (FitsInt32) to detect an overflow.
class NumberText {
 public:
  // Blanks are skipped wherever they stand; then an optional sign, digits, an optional "." and
  // fraction digits; reading stops at the first other character. Nothing numeric gives 0.
  static std::int64_t Leading(std::string_view text);

  // The number that Leading reads, before rounding, held as the whole numbers next to it: floor
  // and ceiling are equal when it has no fraction. Lets a caller range-check the exact value.
  struct Bounds {
    std::int64_t floor;
    std::int64_t ceiling;
  };
  static Bounds LeadingBounds(std::string_view text);

  // Only blanks at either end, an optional sign, digits, an optional "." and fraction digits.
  // Anything else, or no digit at all, gives no value (the caller raises a type mismatch).
  static std::optional<std::int64_t> Strict(std::string_view text);

  static bool FitsInt32(std::int64_t value) noexcept;

  // Rounds a decimal given as its integer and fraction digit runs, halves to even.
  static std::int64_t RoundDecimal(bool negative, std::string_view intDigits,
                                   std::string_view fracDigits);
};

}  // namespace pelmora
