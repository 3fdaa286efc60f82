#include "pelmora/simulator/ShellText.h"

#include <algorithm>
#include <cctype>

namespace pelmora {

namespace {

char UpperChar(char c) {
  return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

bool ShellText::EqualsIgnoreCase(std::string_view a, std::string_view b) noexcept {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return UpperChar(x) == UpperChar(y);
         });
}

bool ShellText::LessIgnoreCase(std::string_view a, std::string_view b) noexcept {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char x, char y) { return UpperChar(x) < UpperChar(y); });
}

std::string ShellText::Upper(std::string_view text) {
  std::string upper(text);
  std::transform(upper.begin(), upper.end(), upper.begin(), UpperChar);
  return upper;
}

std::string_view ShellText::TrimBlanks(std::string_view text) noexcept {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::vector<ShellText::Word> ShellText::Words(std::string_view line) {
  std::vector<Word> words;
  std::size_t pos = 0;
  while ((pos = line.find_first_not_of(' ', pos)) != std::string_view::npos) {
    const std::size_t end = std::min(line.find(' ', pos), line.size());
    words.push_back({line.substr(pos, end - pos), end});
    pos = end;
  }
  return words;
}

std::optional<std::int64_t> ShellText::Decimal(std::string_view text) noexcept {
  if (text.empty() || text.size() > 18 || !std::all_of(text.begin(), text.end(), IsDigit)) {
    return std::nullopt;
  }
  std::int64_t value = 0;
  for (char c : text) value = value * 10 + (c - '0');
  return value;
}

bool ShellText::IsHex(std::string_view text) noexcept {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
  });
}

bool ShellText::IsDottedQuad(std::string_view text) noexcept {
  for (int octet = 0; octet < 4; ++octet) {
    const std::size_t dot = octet < 3 ? text.find('.') : text.size();
    if (dot == std::string_view::npos || dot > 3) return false;
    const auto value = Decimal(text.substr(0, dot));
    if (!value || *value > 255) return false;
    text.remove_prefix(std::min(dot + 1, text.size()));
  }
  return true;
}

bool ShellText::IsMacAddress(std::string_view text) noexcept {
  if (text.size() != 17) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool separator = i % 3 == 2;
    if (separator ? text[i] != ':' : !IsHex(text.substr(i, 1))) return false;
  }
  return true;
}

std::string ShellText::Hex(std::int64_t value) {
  static constexpr char kDigits[] = "0123456789abcdef";
  auto rest = static_cast<std::uint64_t>(value);
  std::string hex;
  do {
    hex.insert(hex.begin(), kDigits[rest % 16]);
    rest /= 16;
  } while (rest != 0);
  return hex;
}

}  // namespace pelmora
