#pragma once

#include <string>
#include <vector>

namespace pelmora::test {

// Screen lines joined by the given line break; with endsInBreak, the last line has one too.
inline std::string JoinScreen(const std::vector<std::string>& lines, const std::string& lineBreak,
                              bool endsInBreak = false) {
  std::string text;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += lineBreak;
    text += lines[i];
  }
  if (endsInBreak) text += lineBreak;
  return text;
}

// The form a report's parse receives: lines separated by CR alone.
inline std::string CrScreen(const std::vector<std::string>& lines, bool endsInCR = false) {
  return JoinScreen(lines, "\r", endsInCR);
}

}  // namespace pelmora::test
