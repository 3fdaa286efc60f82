#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "pelmora/platform/TextBytes.h"
#include "pelmora/platform/Variant.h"

namespace pelmora {

// A growable first-in first-out byte buffer. Search results and StartPos/Start are 1-based
// positions (0 = not found); Peek and Poke take 0-based indices. Bounds are computed in 64 bits,
// so extreme positions, ranges and lengths follow the rules instead of overflowing.
class FifoBuf {
 public:
  void Add(const ByteArray& newValue);
  void Add(std::string_view newValue);  // convenience: the text's bytes
  std::int32_t Count() const noexcept;

  std::int32_t FindByte(const Variant& startPos, std::uint8_t ch, std::int32_t range = 0) const;
  std::int32_t FindByteRev(const Variant& startPos, std::uint8_t ch, std::int32_t range = 0) const;
  std::int32_t FindByteArray(const Variant& startPos, const ByteArray& chars,
                             std::int32_t range = 0) const;
  std::int32_t FindStr(const Variant& startPos, std::string_view text,
                       std::int32_t range = 0) const;
  std::int32_t FindStrRev(const Variant& startPos, std::string_view text,
                          std::int32_t range = 0) const;

  void Poke(std::int32_t zeroBasedPosition, std::int32_t value);
  std::int32_t Peek(std::int32_t zeroBasedPosition) const;

  // Takes Length bytes from the front of the source and appends them here; Length is written
  // back (all of the source when it is less than 1 or more than the source holds).
  void Move(FifoBuf& fromAnyFifoBuf, std::int32_t& length);

  // Copies without consuming; Length is written back when it is 0 or runs past the end.
  std::string MidStr(std::int32_t start, std::int32_t& length) const;
  ByteArray MidByteArray(std::int32_t start, std::int32_t& length) const;

  // Library-internal: drop bytes from the front, and a copy of all stored bytes.
  void Remove(std::int32_t length);
  ByteArray Buffer() const;

 private:
  ByteArray bytes_;
};

}  // namespace pelmora
