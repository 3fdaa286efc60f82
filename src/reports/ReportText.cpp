#include "ReportText.h"

#include <algorithm>

namespace pelmora {

std::vector<std::string> ReportText::SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  if (text.empty()) return lines;
  std::size_t start = 0;
  for (std::size_t cr = text.find(kCR); cr != std::string::npos; cr = text.find(kCR, start)) {
    lines.push_back(text.substr(start, cr - start));
    start = cr + 1;
  }
  lines.push_back(text.substr(start));
  return lines;
}

std::string ReportText::JoinLines(const std::vector<std::string>& lines) {
  std::string joined;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) joined += kCR;
    joined += lines[i];
  }
  return joined;
}

std::string ReportText::TrimSpaces(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(' ');
  return std::string(text.substr(first, last - first + 1));
}

std::string ReportText::RemoveAll(std::string_view text, std::string_view key) {
  if (key.empty()) return std::string(text);
  std::string result;
  std::size_t start = 0;
  for (std::size_t hit = text.find(key); hit != std::string_view::npos;
       hit = text.find(key, start)) {
    result.append(text.substr(start, hit - start));
    start = hit + key.size();
  }
  result.append(text.substr(start));
  return result;
}

std::string ReportText::ToLowerAscii(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; });
  return lower;
}

bool ReportText::ContainsIgnoringCase(std::string_view text, std::string_view part) {
  return ToLowerAscii(text).find(ToLowerAscii(part)) != std::string::npos;
}

std::string ReportText::LeadingNumberText(std::string_view text) {
  std::string digits[2];  // the whole part and the fraction
  bool negative = false;
  std::size_t part = 0;
  bool signAllowed = true;
  for (const char c : text) {
    if (c == ' ') continue;
    if (signAllowed && (c == '+' || c == '-')) {
      negative = c == '-';
    } else if (c >= '0' && c <= '9') {
      digits[part] += c;
    } else if (c == '.' && part == 0) {
      part = 1;
    } else {
      break;
    }
    signAllowed = false;
  }
  const std::size_t firstSignificant = digits[0].find_first_not_of('0');
  std::string number =
      firstSignificant == std::string::npos ? "0" : digits[0].substr(firstSignificant);
  const std::string fraction = digits[1].substr(0, digits[1].find_last_not_of('0') + 1);
  if (!fraction.empty()) number.append(1, '.').append(fraction);
  if (negative && number != "0") number.insert(0, 1, '-');
  return number;
}

}  // namespace pelmora
