#include "pelmora/device/ReplyReading.h"

#include <algorithm>

#include "pelmora/platform/ErrorMessages.h"
#include "pelmora/platform/ErrorNumbers.h"
#include "pelmora/platform/NumberText.h"

namespace pelmora {

namespace {

constexpr char kCarriageReturn = '\r';

char LowerLetter(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::size_t FindIgnoringCase(std::string_view text, std::string_view key) {
  const auto found = std::search(text.begin(), text.end(), key.begin(), key.end(),
                                 [](char a, char b) { return LowerLetter(a) == LowerLetter(b); });
  return found == text.end() ? std::string_view::npos
                             : static_cast<std::size_t>(found - text.begin());
}

// The line up to the first carriage return, blanks kept; without one, the text trimmed.
std::string UpToLineEnd(std::string_view text) {
  const std::size_t end = text.find(kCarriageReturn);
  if (end == std::string_view::npos) return ReplyReading::TrimBlanks(text);
  return std::string(text.substr(0, end));
}

std::int32_t Checked32(std::int64_t value, const std::string& source) {
  if (!NumberText::FitsInt32(value)) {
    ErrorMessages::Current().RaiseNumberedError(errors::kOverflow, source);
  }
  return static_cast<std::int32_t>(value);
}

std::int64_t StrictOrMismatch(std::string_view value, const std::string& source) {
  const auto number = NumberText::Strict(value);
  if (!number) ErrorMessages::Current().RaiseNumberedError(errors::kTypeMismatch, source);
  return *number;
}

bool IsAddressPart(std::string_view part, bool allow255) {
  const auto number = NumberText::Strict(part);
  if (!number) return false;
  return *number >= 0 && (allow255 ? *number <= 255 : *number < 255);
}

}  // namespace

std::string ReplyReading::Keyed(std::string_view reply, std::string_view key) {
  const std::size_t at = FindIgnoringCase(reply, key);
  if (at == std::string_view::npos) return {};
  return UpToLineEnd(reply.substr(at + key.size()));
}

std::string ReplyReading::FirstLine(std::string_view reply) {
  return UpToLineEnd(reply);
}

std::optional<std::int32_t> ReplyReading::Classified(std::string_view reply,
                                                     std::span<const CodedText> meanings) {
  for (const CodedText& coded : meanings) {
    if (reply.find(coded.text) != std::string_view::npos) return coded.code;
  }
  return std::nullopt;
}

std::int32_t ReplyReading::Enumerated(std::string_view value, std::span<const CodedText> meanings) {
  const std::string lower = LowerCase(value);
  for (const CodedText& coded : meanings) {
    if (lower == coded.text) return coded.code;
  }
  return 0;
}

std::int32_t ReplyReading::LeadingWhole(std::string_view value, const std::string& source) {
  return Checked32(NumberText::Leading(value), source);
}

std::int32_t ReplyReading::LeadingWithin(std::string_view value, std::int32_t low,
                                         std::int32_t high) {
  const NumberText::Bounds bounds = NumberText::LeadingBounds(value);
  if (bounds.floor < low || bounds.ceiling > high) return 0;
  return static_cast<std::int32_t>(NumberText::Leading(value));
}

std::int32_t ReplyReading::LeadingOneOf(std::string_view value, std::int32_t low,
                                        std::int32_t high) {
  const NumberText::Bounds bounds = NumberText::LeadingBounds(value);
  const bool whole = bounds.floor == bounds.ceiling;
  return whole && bounds.floor >= low && bounds.floor <= high
             ? static_cast<std::int32_t>(bounds.floor)
             : 0;
}

std::int32_t ReplyReading::StrictWithin(std::string_view value, std::int32_t low, std::int32_t high,
                                        const std::string& source) {
  const std::int64_t number = StrictOrMismatch(value, source);
  return number >= low && number <= high ? static_cast<std::int32_t>(number) : 0;
}

std::int32_t ReplyReading::StrictWhole(std::string_view value, const std::string& source) {
  return Checked32(StrictOrMismatch(value, source), source);
}

std::string ReplyReading::BeforeRemark(std::string_view value, const std::string& source) {
  if (value.empty()) {
    ErrorMessages::Current().RaiseNumberedError(errors::kSubscriptOutOfRange, source);
  }
  return std::string(value.substr(0, value.find(" (")));
}

bool ReplyReading::IsValidIpAddress(std::string_view text, bool allow255) {
  const std::string trimmed = TrimBlanks(text);
  if (std::count(trimmed.begin(), trimmed.end(), '.') != 3) return false;
  std::string_view rest = trimmed;
  for (std::size_t dot = rest.find('.');; dot = rest.find('.')) {
    if (!IsAddressPart(rest.substr(0, dot), allow255)) return false;
    if (dot == std::string_view::npos) return true;
    rest.remove_prefix(dot + 1);
  }
}

std::string ReplyReading::TrimBlanks(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

std::string ReplyReading::LowerCase(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(), LowerLetter);
  return lower;
}

}  // namespace pelmora
