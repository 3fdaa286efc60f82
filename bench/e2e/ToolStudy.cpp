#include "ToolStudy.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <vector>

namespace pelmora::bench {

namespace {

struct ToolRun {
  std::string out;
  double ms = 0;
};

std::string ReadAll(int fd) {
  std::string text;
  char block[4096];
  ssize_t got = 0;
  while ((got = ::read(fd, block, sizeof block)) > 0) text.append(block, static_cast<size_t>(got));
  return text;
}

ToolRun RunTool(const std::string& tool, std::vector<std::string> args) {
  args.insert(args.begin(), tool);
  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  int output[2];
  if (::pipe2(output, O_CLOEXEC) != 0) throw std::runtime_error("tool: no pipe");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  const int failed = posix_spawn(&pid, tool.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(output[1]);
  if (failed != 0) {
    ::close(output[0]);
    throw std::runtime_error("tool: cannot start " + tool);
  }
  ToolRun run;
  run.out = ReadAll(output[0]);
  ::close(output[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
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
