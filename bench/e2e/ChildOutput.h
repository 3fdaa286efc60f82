#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace pelmora::bench {

// A program started with its standard output on a pipe that this process reads: the tool, the
// simulator and the scale workers are measured as separate processes.
struct ChildOutput {
  pid_t pid = 0;
  int fd = -1;

  // Starts args[0] with `args`; a failure throws std::runtime_error that begins with `who`.
  static ChildOutput Start(std::vector<std::string> args, const std::string& who);
  // Everything the child writes until it closes its output.
  std::string ReadToEnd() const;
};

}  // namespace pelmora::bench
