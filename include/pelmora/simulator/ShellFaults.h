#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "pelmora/simulator/ShellText.h"

namespace pelmora {

// Faults the shell engine applies to its own output, for the library's error and edge paths.
// All are off by default; an engine reads them at every line, so they may change between lines.
//
// Timing faults (a delay before output, answers split into small pieces) are not the engine's:
// the engine has no clock and emits one chunk per Feed. The serving layer applies them with a
// DeliveryPlan.
struct ShellFaults {
  // Compares command lines without regard to letter case.
  struct LineLess {
    bool operator()(std::string_view a, std::string_view b) const noexcept {
      return ShellText::LessIgnoreCase(a, b);
    }
  };
  using AnswerLines = std::vector<std::string>;
  using AnswerOverrides = std::map<std::string, AnswerLines, LineLess>;

  // The echo of a line is left out; the line end and everything after it still come.
  bool noEcho = false;
  // A line is echoed (with its line end) and then nothing more happens: it is not carried out.
  bool stallAfterEcho = false;
  // Sent in front of every answer, before the echo.
  std::string strayBytesBeforeEcho;
  // The line with this number (counted from 1 over the engine's life, see LinesReceived) is not
  // answered: the engine ends the session through its close callback instead. 0: never.
  std::uint64_t dropSessionAtLine = 0;
  // No prompt at all.
  bool noPrompt = false;
  // Lines of an open session (not the password line) that get these answer lines instead of the
  // shell's own answer: echo, the lines, prompt; the line is not carried out. Keys compare
  // without regard to case and must equal the whole line.
  AnswerOverrides answerOverrides;
};

}  // namespace pelmora
