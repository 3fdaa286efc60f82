#include "ToolProcess.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

namespace pelmora::testing {

namespace {

void ClosePipe(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

}  // namespace

ToolProcess::ToolProcess(const std::vector<std::string>& arguments, const std::string& input) {
  int in[2];
  int out[2];
  int err[2];
  if (pipe(in) != 0 || pipe(out) != 0 || pipe(err) != 0) throw std::runtime_error("pipe");
  pid_ = fork();
  if (pid_ == 0) {
    dup2(in[0], STDIN_FILENO);
    dup2(out[1], STDOUT_FILENO);
    dup2(err[1], STDERR_FILENO);
    for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) close(fd);
    std::vector<char*> argv{const_cast<char*>(PELMORA_TOOL)};
    for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execv(PELMORA_TOOL, argv.data());
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  close(err[1]);
  if (!input.empty()) {
    const ssize_t written = write(in[1], input.data(), input.size());
    (void)written;  // small inputs fit in the pipe; the tool reports what it lacks
  }
  close(in[1]);
  outFd_ = out[0];
  errFd_ = err[0];
}

ToolProcess::~ToolProcess() {
  if (!result_ && pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  ClosePipe(outFd_);
  ClosePipe(errFd_);
}

void ToolProcess::Signal(int signal) const {
  kill(pid_, signal);
}

std::optional<std::string> ToolProcess::ReadLine(std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (out_.find('\n', lineStart_) == std::string::npos) {
    if (!Drain(deadline, true)) return std::nullopt;
  }
  const auto end = out_.find('\n', lineStart_);
  std::string line = out_.substr(lineStart_, end - lineStart_);
  lineStart_ = end + 1;
  return line;
}

std::optional<ToolResult> ToolProcess::Wait(std::chrono::milliseconds limit) {
  if (result_) return result_;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (outFd_ >= 0 || errFd_ >= 0) {
    if (!Drain(deadline, false)) return std::nullopt;
  }
  int status = 0;
  waitpid(pid_, &status, 0);
  result_ = ToolResult{WIFEXITED(status) ? WEXITSTATUS(status) : -1, out_, err_};
  return result_;
}

// Reads what is there, waiting no later than the deadline; false when the deadline passed
// (or, for a line, when stdout ended).
bool ToolProcess::Drain(std::chrono::steady_clock::time_point deadline, bool untilLine) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - std::chrono::steady_clock::now());
  if (left.count() <= 0) return false;
  pollfd fds[2] = {{outFd_, POLLIN, 0}, {errFd_, POLLIN, 0}};
  if (poll(fds, 2, static_cast<int>(left.count())) <= 0) return false;
  char buffer[4096];
  for (auto& entry : fds) {
    if ((entry.revents & (POLLIN | POLLHUP)) == 0) continue;
    const ssize_t n = read(entry.fd, buffer, sizeof buffer);
    int& fd = entry.fd == outFd_ ? outFd_ : errFd_;
    std::string& sink = entry.fd == outFd_ ? out_ : err_;
    if (n > 0) {
      sink.append(buffer, static_cast<std::size_t>(n));
    } else {
      ClosePipe(fd);
      if (untilLine && &fd == &outFd_) return false;
    }
  }
  return true;
}

ToolResult ToolProcess::Run(const std::vector<std::string>& arguments, const std::string& input) {
  ToolProcess process(arguments, input);
  if (auto result = process.Wait(std::chrono::seconds(20))) return *result;
  return ToolResult{-1, "", "the tool did not end within 20 s"};
}

}  // namespace pelmora::testing
