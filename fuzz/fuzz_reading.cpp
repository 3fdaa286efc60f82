// Any text into the reading rules, the number conversions and the address check that the
// settings members apply to shell answers. Each ends in a value or in its documented error, the
// number readers agree with a plain floating-point reading where that one is exact, and the
// address check agrees with the rule for it written again here.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzSupport.h"
#include "pelmora/device/ReplyReading.h"
#include "pelmora/platform/ErrorNumbers.h"
#include "pelmora/platform/NumberText.h"

namespace {

using namespace pelmora;
using fuzz::Require;

const std::string kSource = "fuzz";

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The text between its outer blanks when it is a short number in the strict form: sign, at most
// 12 integer digits, an optional "." and at most 6 fraction digits. Such a number is held
// exactly enough by a long double that rounding it to even decides like the library must.
bool ShortStrictNumber(const std::string& text, std::string& core) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos) return false;
  core = text.substr(first, text.find_last_not_of(' ') - first + 1);
  std::size_t i = (core[0] == '+' || core[0] == '-') ? 1 : 0;
  std::size_t intDigits = 0;
  std::size_t fracDigits = 0;
  while (i < core.size() && IsDigit(core[i])) ++i, ++intDigits;
  if (i < core.size() && core[i] == '.') {
    ++i;
    while (i < core.size() && IsDigit(core[i])) ++i, ++fracDigits;
  }
  return i == core.size() && intDigits + fracDigits > 0 && intDigits <= 12 && fracDigits <= 6;
}

void CheckNumbers(const std::string& text) {
  const std::int64_t leading = NumberText::Leading(text);
  const NumberText::Bounds bounds = NumberText::LeadingBounds(text);
  Require(bounds.floor <= leading && leading <= bounds.ceiling, "Leading outside its bounds");
  Require(bounds.ceiling - bounds.floor <= 1, "bounds further apart than one");

  const auto strict = NumberText::Strict(text);
  if (strict) Require(*strict == leading, "Strict and Leading disagree on a strict number");
  std::string core;
  const bool shortNumber = ShortStrictNumber(text, core);
  Require(!shortNumber || strict.has_value(), "a short strict number refused");
  if (shortNumber) {
    std::fesetround(FE_TONEAREST);
    std::string plain = core;
    if (plain.back() == '.') plain += '0';
    if (plain[0] == '.' || ((plain[0] == '+' || plain[0] == '-') && plain[1] == '.')) {
      plain.insert(plain[0] == '.' ? 0 : 1, "0");
    }
    const long double expected = std::nearbyintl(std::strtold(plain.c_str(), nullptr));
    Require(static_cast<long double>(*strict) == expected, "Strict rounds differently");
  }
}

void CheckReadings(FuzzedDataProvider& input) {
  const std::string key = input.ConsumeRandomLengthString(12);
  const std::string reply = input.ConsumeRemainingBytesAsString();

  const std::string keyed = ReplyReading::Keyed(reply, key);
  Require(keyed.find('\r') == std::string::npos, "Keyed ran past its line");
  Require(reply.find(keyed) != std::string::npos, "Keyed made up text");
  Require(ReplyReading::FirstLine(reply).find('\r') == std::string::npos, "FirstLine");
  Require(ReplyReading::WholeReply(reply).size() <= reply.size(), "WholeReply");

  CheckNumbers(reply);
  CheckNumbers(keyed);

  try {
    ReplyReading::LeadingWhole(reply, kSource);
  } catch (const AutomationError& error) {
    fuzz::RequireNumber(error, {errors::kOverflow}, "LeadingWhole");
  }
  const std::int32_t within = ReplyReading::LeadingWithin(reply, 1, 14);
  Require(within == 0 || (within >= 1 && within <= 14), "LeadingWithin out of range");
  const std::int32_t oneOf = ReplyReading::LeadingOneOf(reply, 1, 4);
  Require(oneOf >= 0 && oneOf <= 4, "LeadingOneOf out of range");
  try {
    const std::int32_t value = ReplyReading::StrictWithin(reply, 0, 2347, kSource);
    Require(value >= 0 && value <= 2347, "StrictWithin out of range");
  } catch (const AutomationError& error) {
    fuzz::RequireNumber(error, {errors::kTypeMismatch}, "StrictWithin");
  }
  try {
    ReplyReading::StrictWhole(reply, kSource);
  } catch (const AutomationError& error) {
    fuzz::RequireNumber(error, {errors::kTypeMismatch, errors::kOverflow}, "StrictWhole");
  }
  try {
    Require(ReplyReading::BeforeRemark(reply, kSource).find(" (") == std::string::npos,
            "BeforeRemark kept the remark");
  } catch (const AutomationError& error) {
    fuzz::RequireNumber(error, {errors::kSubscriptOutOfRange}, "BeforeRemark");
  }
}

// The address rule, from its description: four parts between full stops, each a whole number
// with optional blanks around it and an optional sign, from 0 to 254 (to 255 when allowed).
bool ReferenceAddressCheck(const std::string& text, bool allow255) {
  const auto trimmed = [](std::string_view part) {
    const auto first = part.find_first_not_of(' ');
    if (first == std::string_view::npos) return std::string_view();
    return part.substr(first, part.find_last_not_of(' ') - first + 1);
  };
  const std::string_view whole = trimmed(text);
  if (std::count(whole.begin(), whole.end(), '.') != 3) return false;
  std::size_t start = 0;
  for (int n = 0; n < 4; ++n) {
    const std::size_t dot = n < 3 ? whole.find('.', start) : whole.size();
    std::string_view part = trimmed(whole.substr(start, dot - start));
    start = dot + 1;
    bool negative = false;
    if (!part.empty() && (part[0] == '+' || part[0] == '-')) {
      negative = part[0] == '-';
      part.remove_prefix(1);
    }
    if (part.empty() || !std::all_of(part.begin(), part.end(), IsDigit)) return false;
    part.remove_prefix(std::min(part.find_first_not_of('0'), part.size()));
    const int value = part.size() > 3 ? 1000 : part.empty() ? 0 : std::stoi(std::string(part));
    if ((negative && value != 0) || value > (allow255 ? 255 : 254)) return false;
  }
  return true;
}

void CheckAddress(FuzzedDataProvider& input) {
  // Mostly text made of what addresses are made of, so that near misses are common.
  std::string text = input.ConsumeRemainingBytesAsString();
  if (!text.empty() && text[0] % 4 != 0) {
    static constexpr std::string_view kAddressBytes = "0123456789..... +-\t";
    for (char& c : text) c = kAddressBytes[static_cast<unsigned char>(c) % kAddressBytes.size()];
  }
  for (const bool allow255 : {false, true}) {
    Require(ReplyReading::IsValidIpAddress(text, allow255) == ReferenceAddressCheck(text, allow255),
            "the address check disagrees with its rule");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  if (input.ConsumeBool()) {
    CheckAddress(input);
    return 0;
  }
  CheckReadings(input);
  return 0;
}
