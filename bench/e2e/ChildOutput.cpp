#include "ChildOutput.h"

#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>

#include <stdexcept>

namespace pelmora::bench {

ChildOutput ChildOutput::Start(std::vector<std::string> args, const std::string& who) {
  int output[2];
  if (::pipe2(output, O_CLOEXEC) != 0) throw std::runtime_error(who + ": no pipe");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  ChildOutput child;
  const int failed = posix_spawn(&child.pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(output[1]);
  if (failed != 0) {
    ::close(output[0]);
    throw std::runtime_error(who + ": cannot start " + args[0]);
  }
  child.fd = output[0];
  return child;
}

std::string ChildOutput::ReadToEnd() const {
  std::string text;
  char block[4096];
  ssize_t got = 0;
  while ((got = ::read(fd, block, sizeof block)) > 0) text.append(block, static_cast<size_t>(got));
  return text;
}

}  // namespace pelmora::bench
