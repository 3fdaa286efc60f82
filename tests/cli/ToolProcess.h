#pragma once

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>

#include "support/LoopbackListener.h"

namespace pelmora::testing {

using Json = nlohmann::json;
using namespace std::chrono_literals;

struct ToolResult {
  int status = -1;  // exit status, or -1 when it did not exit normally
  std::string out;
  std::string err;
  Json json() const { return Json::parse(out, nullptr, false); }
};

inline ::testing::AssertionResult Has(const std::string& text, const std::string& part) {
  if (text.find(part) != std::string::npos) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "no \"" << part << "\" in:\n" << text;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream file(path);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The words of a command line, for compact tables of them.
inline std::vector<std::string> Words(const std::string& line) {
  std::istringstream in(line);
  return {std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
}

// A path in the test's temporary folder that no other test of this run uses.
inline std::string TempPath(const std::string& name) {
  static int count = 0;
  return ::testing::TempDir() + name + "-" + std::to_string(getpid()) + "-" +
         std::to_string(++count);
}

class ToolProcess {
 public:
  // `program` is the tool unless a test runs another program beside it; `fileLimit` (when not
  // 0) is the child's soft and hard limit of open files.
  explicit ToolProcess(const std::vector<std::string>& arguments, const std::string& input = {},
                       const char* program = PELMORA_TOOL, rlim_t fileLimit = 0) {
    int in[2], out[2], err[2];
    if (pipe(in) != 0 || pipe(out) != 0 || pipe(err) != 0) throw std::runtime_error("pipe");
    std::vector<char*> argv{const_cast<char*>(program)};
    for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
      // A test run that is killed (a time limit, Ctrl-C) leaves no tool behind.
      prctl(PR_SET_PDEATHSIG, SIGTERM);
      dup2(in[0], STDIN_FILENO);
      dup2(out[1], STDOUT_FILENO);
      dup2(err[1], STDERR_FILENO);
      for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) close(fd);
      const rlimit files{fileLimit, fileLimit};
      if (fileLimit != 0) setrlimit(RLIMIT_NOFILE, &files);
      execv(program, argv.data());
      _exit(127);
    }
    for (int fd : {in[0], out[1], err[1]}) close(fd);
    // Small inputs fit in the pipe; the tool reports what it lacks.
    if (write(in[1], input.data(), input.size()) != static_cast<ssize_t>(input.size()))
      throw std::runtime_error("stdin");
    close(in[1]);
    fds_ = {out[0], err[0]};
  }
  ~ToolProcess() {
    if (!result_ && kill(pid_, SIGKILL) == 0) waitpid(pid_, nullptr, 0);
    for (int fd : fds_) close(fd);
  }
  ToolProcess(const ToolProcess&) = delete;
  ToolProcess& operator=(const ToolProcess&) = delete;

  void Signal(int signal) const { kill(pid_, signal); }

  // The next line the tool writes on stdout (without its line feed), or nothing within the limit.
  std::optional<std::string> ReadLine(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::size_t end;
    while ((end = text_[0].find('\n', lineStart_)) == std::string::npos) {
      if (!Drain(deadline) || fds_[0] < 0) return std::nullopt;
    }
    std::string line = text_[0].substr(lineStart_, end - lineStart_);
    lineStart_ = end + 1;
    return line;
  }

  // Waits for the tool to end and for its output; status -1 when it runs past the limit.
  ToolResult Wait(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!result_ && (fds_[0] >= 0 || fds_[1] >= 0)) {
      if (!Drain(deadline)) return {-1, "", "the tool did not end in time"};
    }
    int status = 0;
    if (!result_ && waitpid(pid_, &status, 0) == pid_)
      result_ = ToolResult{WIFEXITED(status) ? WEXITSTATUS(status) : -1, text_[0], text_[1]};
    return result_.value_or(ToolResult{});
  }

  static ToolResult Run(const std::vector<std::string>& arguments, const std::string& input = {}) {
    return ToolProcess(arguments, input).Wait(20s);
  }

 private:
  bool Drain(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd ready[2] = {{fds_[0], POLLIN, 0}, {fds_[1], POLLIN, 0}};
    if (left.count() <= 0 || poll(ready, 2, static_cast<int>(left.count())) <= 0) return false;
    for (int i = 0; i < 2; ++i) {
      if ((ready[i].revents & (POLLIN | POLLHUP)) == 0) continue;
      char buffer[4096];
      const ssize_t n = read(fds_[i], buffer, sizeof buffer);
      if (n > 0) text_[i].append(buffer, static_cast<std::size_t>(n));
      if (n <= 0) close(std::exchange(fds_[i], -1));
    }
    return true;
  }

  pid_t pid_ = -1;
  std::vector<int> fds_;       // stdout, stderr; -1 once at their end
  std::string text_[2];        // what came on them
  std::size_t lineStart_ = 0;  // of the next stdout line
  std::optional<ToolResult> result_;
};

// A TOML file of the test's own with the text given, removed at the end of the test.
struct TempFile {
  explicit TempFile(const std::string& text = "") { Add(text); }
  ~TempFile() { std::remove(path.c_str()); }
  void Add(const std::string& text) const { std::ofstream(path, std::ios::app) << text; }
  const std::string path = TempPath("file") + ".toml";
};

// An inventory; `Host` makes one host's table.
inline std::string Host(const std::string& name, const std::string& address) {
  return "\n[hosts." + name + "]\naddress = \"" + address + "\"\n";
}
struct Inventory : TempFile {
  using TempFile::TempFile;
  std::vector<std::string> Args(std::vector<std::string> arguments) const {
    arguments.insert(arguments.begin(), {"--inventory", path});
    return arguments;
  }
  ToolResult Run(std::vector<std::string> arguments) const {
    return ToolProcess::Run(Args(std::move(arguments)));
  }
};

// A tool command serving on a free loopback port named on its first line; `stop` ends it cleanly.
class ServingProcess {
 public:
  ServingProcess(std::vector<std::string> arguments, int stop) : process_(arguments), stop_(stop) {
    const std::string line = process_.ReadLine(10s).value_or("");
    const auto at = line.find("127.0.0.1:");
    EXPECT_NE(at, std::string::npos) << line;
    if (at != std::string::npos) port_ = std::stoi(line.substr(at + 10));
  }
  ~ServingProcess() {
    process_.Signal(stop_);
    const ToolResult result = process_.Wait(5s);
    EXPECT_EQ(result.status, 0) << result.err;
    // Its first line is all it prints: nothing of the sessions it served, and no secret.
    EXPECT_EQ(result.out.find('\n') + 1, result.out.size()) << result.out;
    EXPECT_EQ(result.err, "");
  }

  int Port() const { return port_; }
  std::string Endpoint() const { return "127.0.0.1:" + std::to_string(port_); }

 private:
  ToolProcess process_;
  int stop_;
  int port_ = 0;
};

// `pelmora sim` (Ctrl-C ends it).
struct SimProcess : ServingProcess {
  explicit SimProcess(std::vector<std::string> extra = {})
      : ServingProcess(With({"sim", "--listen", "127.0.0.1:0"}, extra), SIGINT) {}

  ToolResult Run(std::vector<std::string> arguments, const std::string& input = {}) const {
    return ToolProcess::Run(With({"--host", Endpoint()}, arguments), input);
  }
  static std::vector<std::string> With(std::vector<std::string> first,
                                       const std::vector<std::string>& rest) {
    first.insert(first.end(), rest.begin(), rest.end());
    return first;
  }
};

}  // namespace pelmora::testing
