// Operation sequences on two FifoBufs, each checked against a plain std::string that holds the
// same bytes and answers the same questions by the slowest obvious loop.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "pelmora/fifo/FifoBuf.h"
#include "pelmora/platform/ErrorNumbers.h"

namespace {

using pelmora::AutomationError;
using pelmora::FifoBuf;
using pelmora::fuzz::Require;

// 0-based first and last start index a search may try, or none (the buffer's window rule).
bool ModelWindow(const std::string& model, std::int64_t position, std::size_t m, std::int32_t range,
                 std::int64_t& first, std::int64_t& last) {
  const auto n = static_cast<std::int64_t>(model.size());
  const auto size = static_cast<std::int64_t>(m);
  if (n == 0 || size == 0 || position < 1 || position > n) return false;
  first = position - 1;
  const std::int64_t lastFit = n - size;
  last = (range > 0 && first + range < lastFit) ? first + range - 1 : lastFit;
  return first <= last;
}

std::int32_t ModelFind(const std::string& model, std::int64_t position, const std::string& text,
                       std::int32_t range) {
  std::int64_t first = 0;
  std::int64_t last = 0;
  if (!ModelWindow(model, position, text.size(), range, first, last)) return 0;
  for (std::int64_t i = first; i <= last; ++i) {
    if (model.compare(static_cast<std::size_t>(i), text.size(), text) == 0) {
      return static_cast<std::int32_t>(i + 1);
    }
  }
  return 0;
}

std::int32_t ModelFindByteRev(const std::string& model, std::int64_t position, char ch,
                              std::int32_t range) {
  std::int64_t first = 0;
  std::int64_t last = 0;
  if (!ModelWindow(model, position, 1, range, first, last)) return 0;
  for (std::int64_t i = last; i >= first; --i) {
    if (model[static_cast<std::size_t>(i)] == ch) return static_cast<std::int32_t>(i + 1);
  }
  return 0;
}

// Position of the last byte of the latest match that ends at or before StartPos.
std::int32_t ModelFindStrRev(const std::string& model, std::int64_t position,
                             const std::string& text) {
  const auto n = static_cast<std::int64_t>(model.size());
  const auto m = static_cast<std::int64_t>(text.size());
  if (n == 0 || m == 0 || position < 1 || position > n) return 0;
  for (std::int64_t end = position - 1; end >= m - 1; --end) {
    if (model.compare(static_cast<std::size_t>(end - m + 1), text.size(), text) == 0) {
      return static_cast<std::int32_t>(end + 1);
    }
  }
  return 0;
}

std::string Contents(const FifoBuf& buffer) {
  const auto bytes = buffer.Buffer();
  return std::string(bytes.begin(), bytes.end());
}

// Positions near the interesting edges more often than anywhere in 64 bits.
std::int64_t Position(FuzzedDataProvider& input, const std::string& model) {
  if (input.ConsumeBool()) return input.ConsumeIntegral<std::int64_t>();
  return input.ConsumeIntegralInRange<std::int64_t>(-2,
                                                    static_cast<std::int64_t>(model.size()) + 2);
}

std::int32_t Length(FuzzedDataProvider& input, const std::string& model) {
  if (input.ConsumeBool()) return input.ConsumeIntegral<std::int32_t>();
  return input.ConsumeIntegralInRange<std::int32_t>(-2,
                                                    static_cast<std::int32_t>(model.size()) + 2);
}

void CheckMid(FuzzedDataProvider& input, const FifoBuf& buffer, const std::string& model) {
  const std::int32_t start = Length(input, model);
  const std::int32_t asked = Length(input, model);
  std::int32_t length = asked;
  const auto n = static_cast<std::int64_t>(model.size());
  try {
    const std::string text = buffer.MidStr(start, length);
    Require(start >= 1 && start <= n && asked >= 0, "MidStr accepted a bad start or length");
    const std::int64_t expected =
        (asked == 0 || std::int64_t{start} + asked > n) ? n - start + 1 : asked;
    Require(length == expected, "MidStr wrote back the wrong length");
    Require(text == model.substr(static_cast<std::size_t>(start - 1),
                                 static_cast<std::size_t>(expected)),
            "MidStr copied other bytes");
  } catch (const AutomationError& error) {
    const bool badStart = start < 1 || start > n;
    Require(error.Number() == (badStart ? pelmora::errors::kPositionOutOfRange
                                        : pelmora::errors::kInvalidArgument),
            "MidStr failed with the wrong number");
    Require(length == asked, "a failed MidStr changed the caller's length");
  }
}

void Step(FuzzedDataProvider& input, FifoBuf (&buffers)[2], std::string (&models)[2]) {
  const int which = input.ConsumeIntegralInRange(0, 1);
  FifoBuf& buffer = buffers[which];
  std::string& model = models[which];
  switch (input.ConsumeIntegralInRange(0, 9)) {
    case 0: {
      const std::string bytes = input.ConsumeRandomLengthString(64);
      buffer.Add(bytes);
      model += bytes;
      break;
    }
    case 1: {
      const std::int32_t length = Length(input, model);
      buffer.Remove(length);
      if (length > 0) model.erase(0, static_cast<std::size_t>(length));
      break;
    }
    case 2: {
      const std::int64_t position = Position(input, model);
      const std::string text = input.ConsumeRandomLengthString(8);
      const std::int32_t range = Length(input, model);
      Require(buffer.FindStr(position, text, range) == ModelFind(model, position, text, range),
              "FindStr");
      const pelmora::ByteArray bytes(text.begin(), text.end());
      Require(
          buffer.FindByteArray(position, bytes, range) == ModelFind(model, position, text, range),
          "FindByteArray");
      break;
    }
    case 3: {
      const std::int64_t position = Position(input, model);
      const char ch = static_cast<char>(input.ConsumeIntegral<std::uint8_t>());
      const std::int32_t range = Length(input, model);
      const auto byte = static_cast<std::uint8_t>(ch);
      Require(buffer.FindByte(position, byte, range) ==
                  ModelFind(model, position, std::string(1, ch), range),
              "FindByte");
      Require(
          buffer.FindByteRev(position, byte, range) == ModelFindByteRev(model, position, ch, range),
          "FindByteRev");
      break;
    }
    case 4: {
      const std::int64_t position = Position(input, model);
      const std::string text = input.ConsumeRandomLengthString(8);
      Require(buffer.FindStrRev(position, text) == ModelFindStrRev(model, position, text),
              "FindStrRev");
      break;
    }
    case 5: {
      const std::int32_t index = Length(input, model);
      const std::int32_t value = input.ConsumeIntegralInRange(-2, 258);
      buffer.Poke(index, value);
      if (index >= 0 && static_cast<std::size_t>(index) < model.size() && value >= 0 &&
          value <= 255) {
        model[static_cast<std::size_t>(index)] = static_cast<char>(value);
      }
      break;
    }
    case 6: {
      const std::int32_t index = Length(input, model);
      const bool inside = index >= 0 && static_cast<std::size_t>(index) < model.size();
      const std::int32_t expected =
          inside ? static_cast<std::uint8_t>(model[static_cast<std::size_t>(index)]) : -1;
      Require(buffer.Peek(index) == expected, "Peek");
      break;
    }
    case 7: {
      // Move from the other buffer, or from this one onto itself.
      const int from = input.ConsumeBool() ? which : 1 - which;
      std::int32_t length = Length(input, models[from]);
      const auto available = static_cast<std::int32_t>(models[from].size());
      const std::int32_t expected = (length < 1 || length > available) ? available : length;
      const std::string moved = models[from].substr(0, static_cast<std::size_t>(expected));
      buffer.Move(buffers[from], length);
      Require(length == expected, "Move wrote back the wrong length");
      models[from].erase(0, moved.size());
      model += moved;
      break;
    }
    case 8:
      CheckMid(input, buffer, model);
      break;
    default: {
      // StartPos given as text: a strict number or a type mismatch.
      const std::string text = input.ConsumeRandomLengthString(12);
      try {
        buffer.FindStr(text, "\r");
      } catch (const AutomationError& error) {
        pelmora::fuzz::RequireNumber(error, {pelmora::errors::kTypeMismatch}, "FindStr(text)");
      }
      break;
    }
  }
  Require(buffer.Count() == static_cast<std::int32_t>(model.size()), "Count");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  FifoBuf buffers[2];
  std::string models[2];
  while (input.remaining_bytes() > 0) Step(input, buffers, models);
  Require(Contents(buffers[0]) == models[0] && Contents(buffers[1]) == models[1], "contents");
  return 0;
}
