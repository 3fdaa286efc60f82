#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace pelmora::testing {

// What a finished run of the tool left behind.
struct ToolResult {
  int status = -1;  // exit status, or -1 when it did not exit normally
  std::string out;
  std::string err;
};

// The built pelmora tool running as a child process, with its stdin, stdout and stderr on pipes.
class ToolProcess {
 public:
  explicit ToolProcess(const std::vector<std::string>& arguments, const std::string& input = {});
  ~ToolProcess();  // a child still running is killed
  ToolProcess(const ToolProcess&) = delete;
  ToolProcess& operator=(const ToolProcess&) = delete;

  void Signal(int signal) const;
  // The next line the tool writes on stdout (without its line feed), or nothing within the limit.
  std::optional<std::string> ReadLine(std::chrono::milliseconds limit);
  // Waits for the tool to end and for its output; nothing when it runs past the limit.
  std::optional<ToolResult> Wait(std::chrono::milliseconds limit);

  // Runs the tool to its end (20 s at most).
  static ToolResult Run(const std::vector<std::string>& arguments, const std::string& input = {});

 private:
  bool Drain(std::chrono::steady_clock::time_point deadline, bool untilLine);

  pid_t pid_ = -1;
  int outFd_ = -1;
  int errFd_ = -1;
  std::string out_;
  std::string err_;
  std::size_t lineStart_ = 0;
  std::optional<ToolResult> result_;
};

}  // namespace pelmora::testing
