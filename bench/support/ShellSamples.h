#pragma once

#include <cstddef>
#include <string>

namespace pelmora::bench {

// Realistic shell traffic for the benchmarks, produced by the simulated print server's own shell
// engine, so that the measured data is what the library meets on the wire.
class ShellSamples {
 public:
  // What the shell writes for one line (ending in CR): the echo, the answer lines, the prompt.
  static std::string Answer(const std::string& line);

  // The same answer as the command road hands it on: no echo, no prompt, no outer line breaks.
  static std::string RoadReply(const std::string& line);

  // An answer to "SH NW" of about `size` bytes: its echo, then lines of the wireless, IP and
  // statistics screens over and over, then the prompt.
  static std::string ScreenAnswer(std::size_t size);

  // Exactly `size` bytes of those screen lines (CR LF separated), with no prompt in them.
  static std::string ScreenText(std::size_t size);
};

}  // namespace pelmora::bench
