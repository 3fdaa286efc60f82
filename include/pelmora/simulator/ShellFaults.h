#pragma once

#include <string>

namespace pelmora {

// Faults the shell engine applies to its own output, for the library's error and edge paths.
// All are off by default; an engine reads them at every line, so they may change between lines.
//
// Timing faults (a delay before output, answers split into small pieces) are not the engine's:
// the engine has no clock and emits one chunk per Feed. The serving layer applies them with a
// DeliveryPlan.
struct ShellFaults {
  // The echo of a line is left out; the line end and everything after it still come.
  bool noEcho = false;
  // A line is echoed (with its line end) and then nothing more happens: it is not carried out.
  bool stallAfterEcho = false;
  // Sent in front of every answer, before the echo.
  std::string strayBytesBeforeEcho;
  // No prompt at all.
  bool noPrompt = false;
};

}  // namespace pelmora
