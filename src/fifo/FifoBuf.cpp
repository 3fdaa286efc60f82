#include "pelmora/fifo/FifoBuf.h"

#include <string.h>  // memmem and memrchr sit beside the standard block functions on this system

#include <cstring>

#include "pelmora/platform/ErrorMessages.h"
#include "pelmora/platform/ErrorNumbers.h"

namespace pelmora {

namespace {

constexpr const char* kMidSource = "FifoBuf: MidStr";

// Storage beyond this is given back when the buffer runs empty, so one large burst from a
// device does not stay pinned for the object's lifetime; smaller storage is kept for reuse.
constexpr std::size_t kKeptCapacity = 64 * 1024;

const std::uint8_t* BytesOf(std::string_view text) {
  return reinterpret_cast<const std::uint8_t*>(text.data());
}

}  // namespace

void FifoBuf::Add(const ByteArray& newValue) {
  bytes_.insert(bytes_.end(), newValue.begin(), newValue.end());
}

void FifoBuf::Add(std::string_view newValue) {
  bytes_.insert(bytes_.end(), BytesOf(newValue), BytesOf(newValue) + newValue.size());
}

std::int32_t FifoBuf::Count() const noexcept {
  return static_cast<std::int32_t>(bytes_.size());
}

// The start indices a search may try. The window normally runs up to the last index at which
// the whole pattern fits; a positive Range shortens it to Range indices from the start, but only
// when it then ends strictly before that last index: when s + Range lands exactly on it, the
// window runs to the end and so spans Range + 1 indices. Clients rely on that quirk.
std::optional<FifoBuf::Window> FifoBuf::StartWindow(const Variant& startPos,
                                                    std::size_t patternSize, std::int32_t range,
                                                    const char* source) const {
  // An empty buffer finds nothing before StartPos is even looked at (a text StartPos that is
  // no number does not fail there).
  if (bytes_.empty()) return std::nullopt;
  const std::int64_t position = startPos.ToWholeNumber(source);
  const auto n = static_cast<std::int64_t>(bytes_.size());
  const auto m = static_cast<std::int64_t>(patternSize);
  // Every window ends at or before index n - 1, so a StartPos past n can never match; ruling it
  // out here also keeps s + Range far from the limits of 64 bits.
  if (m == 0 || position < 1 || position > n) return std::nullopt;
  const std::int64_t s = position - 1;
  const std::int64_t lastFit = n - m;
  const std::int64_t last = (range > 0 && s + range < lastFit) ? s + range - 1 : lastFit;
  if (s > last) return std::nullopt;
  return Window{s, last};
}

std::int32_t FifoBuf::FindByte(const Variant& startPos, std::uint8_t ch, std::int32_t range) const {
  const auto window = StartWindow(startPos, 1, range, "FifoBuf: FindByte");
  if (!window) return 0;
  const auto* from = bytes_.data() + window->first;
  const auto* hit = static_cast<const std::uint8_t*>(
      std::memchr(from, ch, static_cast<std::size_t>(window->last - window->first + 1)));
  return hit ? static_cast<std::int32_t>(hit - bytes_.data() + 1) : 0;
}

std::int32_t FifoBuf::FindByteRev(const Variant& startPos, std::uint8_t ch,
                                  std::int32_t range) const {
  const auto window = StartWindow(startPos, 1, range, "FifoBuf: FindByteRev");
  if (!window) return 0;
  const auto* from = bytes_.data() + window->first;
  const auto* hit = static_cast<const std::uint8_t*>(
      memrchr(from, ch, static_cast<std::size_t>(window->last - window->first + 1)));
  return hit ? static_cast<std::int32_t>(hit - bytes_.data() + 1) : 0;
}

std::int32_t FifoBuf::FindPattern(const Variant& startPos, const std::uint8_t* pattern,
                                  std::size_t patternSize, std::int32_t range,
                                  const char* source) const {
  const auto window = StartWindow(startPos, patternSize, range, source);
  if (!window) return 0;
  // The bytes a match starting anywhere in the window can cover: a forward substring search
  // over exactly these finds the first start index in the window.
  const auto* from = bytes_.data() + window->first;
  const auto span = static_cast<std::size_t>(window->last - window->first) + patternSize;
  const auto* hit = static_cast<const std::uint8_t*>(memmem(from, span, pattern, patternSize));
  return hit ? static_cast<std::int32_t>(hit - bytes_.data() + 1) : 0;
}

std::int32_t FifoBuf::FindByteArray(const Variant& startPos, const ByteArray& chars,
                                    std::int32_t range) const {
  return FindPattern(startPos, chars.data(), chars.size(), range, "FifoBuf: FindByteArray");
}

std::int32_t FifoBuf::FindStr(const Variant& startPos, std::string_view text,
                              std::int32_t range) const {
  return FindPattern(startPos, BytesOf(text), text.size(), range, "FifoBuf: FindStr");
}

std::int32_t FifoBuf::FindStrRev(const Variant& startPos, std::string_view text,
                                 std::int32_t /*range*/) const {
  if (bytes_.empty()) return 0;
  const std::int64_t position = startPos.ToWholeNumber("FifoBuf: FindStrRev");
  const auto n = static_cast<std::int64_t>(bytes_.size());
  const auto m = static_cast<std::int64_t>(text.size());
  if (m == 0 || position < 1 || position > n) return 0;
  const std::uint8_t* data = bytes_.data();
  const std::uint8_t* pattern = BytesOf(text);
  // Candidate matches end at indices m - 1 .. end - 1; find the latest end holding the
  // pattern's last byte, then compare the whole candidate.
  std::int64_t end = position;
  while (end > m - 1) {
    const auto* hit = static_cast<const std::uint8_t*>(
        memrchr(data + m - 1, pattern[m - 1], static_cast<std::size_t>(end - (m - 1))));
    if (!hit) return 0;
    const std::int64_t e = hit - data;
    if (std::memcmp(data + e - m + 1, pattern, static_cast<std::size_t>(m)) == 0) {
      return static_cast<std::int32_t>(e + 1);
    }
    end = e;
  }
  return 0;
}

void FifoBuf::Poke(std::int32_t zeroBasedPosition, std::int32_t value) {
  if (zeroBasedPosition < 0 || static_cast<std::size_t>(zeroBasedPosition) >= bytes_.size()) {
    return;
  }
  if (value < 0 || value > 255) return;
  bytes_[static_cast<std::size_t>(zeroBasedPosition)] = static_cast<std::uint8_t>(value);
}

std::int32_t FifoBuf::Peek(std::int32_t zeroBasedPosition) const {
  if (zeroBasedPosition < 0 || static_cast<std::size_t>(zeroBasedPosition) >= bytes_.size()) {
    return -1;
  }
  return bytes_[static_cast<std::size_t>(zeroBasedPosition)];
}

void FifoBuf::Move(FifoBuf& fromAnyFifoBuf, std::int32_t& length) {
  const std::int32_t available = fromAnyFifoBuf.Count();
  if (length < 1 || length > available) length = available;
  if (length == 0) return;
  const auto size = static_cast<std::size_t>(length);
  if (&fromAnyFifoBuf == this) {
    // Appending a range of the vector to itself is not allowed; the net effect of moving from
    // the front to the back of the same buffer is taking the front out and adding it again.
    const ByteArray front(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(size));
    Remove(length);
    Add(front);
    return;
  }
  const auto& source = fromAnyFifoBuf.bytes_;
  bytes_.insert(bytes_.end(), source.begin(), source.begin() + static_cast<std::ptrdiff_t>(size));
  fromAnyFifoBuf.Remove(length);
}

// Checks Start and Length, writes Length back where it runs past the end, and gives the index
// of the first byte to copy.
std::size_t FifoBuf::MidOffset(std::int32_t start, std::int32_t& length) const {
  const auto n = static_cast<std::int64_t>(bytes_.size());
  if (start < 1 || start > n) {
    ErrorMessages::Current().RaiseNumberedError(errors::kPositionOutOfRange, kMidSource);
  }
  if (length < 0) ErrorMessages::Current().RaiseNumberedError(errors::kInvalidArgument, kMidSource);
  if (length == 0 || std::int64_t{start} + length > n) {
    length = static_cast<std::int32_t>(n - start + 1);
  }
  return static_cast<std::size_t>(start - 1);
}

std::string FifoBuf::MidStr(std::int32_t start, std::int32_t& length) const {
  const std::size_t offset = MidOffset(start, length);
  return TextBytes::ToText(bytes_.data() + offset, static_cast<std::size_t>(length));
}

ByteArray FifoBuf::MidByteArray(std::int32_t start, std::int32_t& length) const {
  const auto from = bytes_.begin() + static_cast<std::ptrdiff_t>(MidOffset(start, length));
  return ByteArray(from, from + length);
}

void FifoBuf::Remove(std::int32_t length) {
  if (length <= 0) return;
  if (static_cast<std::size_t>(length) >= bytes_.size()) {
    bytes_.clear();
    if (bytes_.capacity() > kKeptCapacity) ByteArray().swap(bytes_);
    return;
  }
  bytes_.erase(bytes_.begin(), bytes_.begin() + length);
}

ByteArray FifoBuf::Buffer() const {
  return bytes_;
}

}  // namespace pelmora
