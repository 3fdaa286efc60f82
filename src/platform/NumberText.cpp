#include "pelmora/platform/NumberText.h"

#include <limits>
#include <string>

namespace pelmora {

namespace {

constexpr std::int64_t kSaturated = std::int64_t{1} << 62;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Sign, integer digits and fraction digits of a number read from the front of a text.
struct DecimalParts {
  bool negative = false;
  std::string intDigits;
  std::string fracDigits;
  std::size_t end = 0;  // position of the first character not taken
};

DecimalParts ReadDecimal(std::string_view text, bool skipBlanks) {
  DecimalParts parts;
  std::size_t i = 0;
  auto skip = [&] {
    while (skipBlanks && i < text.size() && text[i] == ' ') ++i;
  };
  skip();
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    parts.negative = text[i] == '-';
    ++i;
  }
  for (skip(); i < text.size() && IsDigit(text[i]); skip()) parts.intDigits += text[i++];
  if (i < text.size() && text[i] == '.') {
    ++i;
    for (skip(); i < text.size() && IsDigit(text[i]); skip()) parts.fracDigits += text[i++];
  }
  parts.end = i;
  return parts;
}

}  // namespace

std::int64_t NumberText::RoundDecimal(bool negative, std::string_view intDigits,
                                      std::string_view fracDigits) {
  std::int64_t value = 0;
  for (char c : intDigits) {
    const int digit = c - '0';
    // Checked before the step, so that a long digit run saturates instead of overflowing.
    if (value > (kSaturated - digit) / 10) return negative ? -kSaturated : kSaturated;
    value = value * 10 + digit;
  }
  if (!fracDigits.empty()) {
    const char first = fracDigits.front();
    const bool restNonZero = fracDigits.find_first_not_of('0', 1) != std::string_view::npos;
    const bool roundUp = first > '5' || (first == '5' && (restNonZero || value % 2 == 1));
    if (roundUp) ++value;
  }
  return negative ? -value : value;
}

std::int64_t NumberText::Leading(std::string_view text) {
  const DecimalParts parts = ReadDecimal(text, true);
  return RoundDecimal(parts.negative, parts.intDigits, parts.fracDigits);
}

NumberText::Bounds NumberText::LeadingBounds(std::string_view text) {
  const DecimalParts parts = ReadDecimal(text, true);
  const std::int64_t truncated = RoundDecimal(parts.negative, parts.intDigits, {});
  if (parts.fracDigits.find_first_not_of('0') == std::string::npos) return {truncated, truncated};
  return parts.negative ? Bounds{truncated - 1, truncated} : Bounds{truncated, truncated + 1};
}

std::optional<std::int64_t> NumberText::Strict(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return std::nullopt;
  const std::size_t last = text.find_last_not_of(' ');
  const std::string_view core = text.substr(first, last - first + 1);
  const DecimalParts parts = ReadDecimal(core, false);
  if (parts.end != core.size() || (parts.intDigits.empty() && parts.fracDigits.empty())) {
    return std::nullopt;
  }
  return RoundDecimal(parts.negative, parts.intDigits, parts.fracDigits);
}

bool NumberText::FitsInt32(std::int64_t value) noexcept {
  return value >= std::numeric_limits<std::int32_t>::min() &&
         value <= std::numeric_limits<std::int32_t>::max();
}

}  // namespace pelmora
