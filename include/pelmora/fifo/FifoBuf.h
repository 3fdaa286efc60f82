#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
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

  // A StartPos text that is not a number fails with 13; every other StartPos or Range outside
  // the stored bytes simply finds nothing (0).
  std::int32_t FindByte(const Variant& startPos, std::uint8_t ch, std::int32_t range = 0) const;
  std::int32_t FindByteRev(const Variant& startPos, std::uint8_t ch, std::int32_t range = 0) const;
  std::int32_t FindByteArray(const Variant& startPos, const ByteArray& chars,
                             std::int32_t range = 0) const;
  std::int32_t FindStr(const Variant& startPos, std::string_view text,
                       std::int32_t range = 0) const;
  // Searches backwards from StartPos and answers the position of the match's LAST byte. Range
  // is accepted for symmetry with the other searches and limits nothing.
  std::int32_t FindStrRev(const Variant& startPos, std::string_view text,
                          std::int32_t range = 0) const;

  // Outside the stored bytes (or a Value outside 0..255) Poke ignores the call and Peek gives -1.
  void Poke(std::int32_t zeroBasedPosition, std::int32_t value);
  std::int32_t Peek(std::int32_t zeroBasedPosition) const;

  // Takes Length bytes from the front of the source and appends them here; Length is written
  // back (all of the source when it is less than 1 or more than the source holds).
  void Move(FifoBuf& fromAnyFifoBuf, std::int32_t& length);

  // Copies without consuming; Length is written back when it is 0 or runs past the end. A Start
  // outside 1..Count fails with 101, a negative Length with 5 (Length then stays as it was).
  std::string MidStr(std::int32_t start, std::int32_t& length) const;
  ByteArray MidByteArray(std::int32_t start, std::int32_t& length) const;

  // Library-internal: drop bytes from the front, and a copy of all stored bytes.
  void Remove(std::int32_t length);
  ByteArray Buffer() const;

 private:
  // 0-based indices at which a match may start, both ends included.
  struct Window {
    std::int64_t first;
    std::int64_t last;
  };

  std::optional<Window> StartWindow(const Variant& startPos, std::size_t patternSize,
                                    std::int32_t range, const char* source) const;
  std::int32_t FindPattern(const Variant& startPos, const std::uint8_t* pattern,
                           std::size_t patternSize, std::int32_t range, const char* source) const;
  std::size_t MidOffset(std::int32_t start, std::int32_t& length) const;

  ByteArray bytes_;
};

}  // namespace pelmora
