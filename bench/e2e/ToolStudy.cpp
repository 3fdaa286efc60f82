#include "ToolStudy.h"

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <vector>

#include "ChildOutput.h"

namespace pelmora::bench {

namespace {

struct ToolRun {
  std::string out;
  double ms = 0;
};

ToolRun RunTool(const std::string& tool, std::vector<std::string> args) {
  args.insert(args.begin(), tool);
  const auto start = std::chrono::steady_clock::now();
  const ChildOutput child = ChildOutput::Start(std::move(args), "tool");
  ToolRun run;
  run.out = child.ReadToEnd();
  ::close(child.fd);
  int status = 0;
  ::waitpid(child.pid, &status, 0);
  run.ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    throw std::runtime_error("tool: get all failed");
  }
  return run;
}

}  // namespace

double ToolStudy::Result::Speedup() const {
  return zeroDelay.Median() > 0 ? defaultDelay.Median() / zeroDelay.Median() : 0;
}

ToolStudy::Result ToolStudy::Run(const std::string& tool, int runs) {
  Result result;
  for (int i = 0; i < runs; ++i) {
    const ToolRun slow = RunTool(tool, {"--no-progress", "get", "all"});
    const ToolRun fast = RunTool(tool, {"--no-progress", "--framing-delay", "0", "get", "all"});
    if (slow.out != fast.out || slow.out.empty()) {
      throw std::runtime_error("tool: get all printed different settings in the two modes");
    }
    result.defaultDelay.Add(slow.ms);
    result.zeroDelay.Add(fast.ms);
  }
  return result;
}

}  // namespace pelmora::bench
