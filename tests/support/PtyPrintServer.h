#pragma once

#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

#include "pelmora/simulator/ShellEngine.h"

namespace pelmora::testing {

// Opens a pseudo-terminal pair and returns the terminal side's path. That side is raw from the
// start, so that nothing written before the connection opens it is echoed or changed.
inline std::string OpenRawPty(int& controller, int& terminal) {
  std::array<char, 256> path{};
  if (openpty(&controller, &terminal, path.data(), nullptr, nullptr) != 0)
    throw std::runtime_error("cannot open a pseudo-terminal pair");
  termios raw{};
  tcgetattr(terminal, &raw);
  cfmakeraw(&raw);
  tcsetattr(terminal, TCSANOW, &raw);
  return path.data();
}

// The simulated print server at the far end of a serial line: a thread feeds the device side of
// a pseudo-terminal pair into a shell engine.
class PtyPrintServer {
 public:
  explicit PtyPrintServer(std::shared_ptr<PrintServerState> state)
      : path_(OpenRawPty(device_, line_)) {
    if (pipe(wake_) != 0) throw std::runtime_error("pipe");
    thread_ = std::thread([this, state] { Serve(state); });
  }

  ~PtyPrintServer() {
    const char stop = 'x';
    (void)write(wake_[1], &stop, 1);
    thread_.join();
    for (int fd : {device_, line_, wake_[0], wake_[1]}) close(fd);
  }

  const std::string& Path() const noexcept { return path_; }

 private:
  void Serve(const std::shared_ptr<PrintServerState>& state) {
    ShellEngine engine(state, [this](std::string_view bytes) {
      for (std::size_t done = 0; done < bytes.size();) {
        const auto n = write(device_, bytes.data() + done, bytes.size() - done);
        if (n <= 0) return;
        done += static_cast<std::size_t>(n);
      }
    });
    std::array<pollfd, 2> fds{{{device_, POLLIN, 0}, {wake_[0], POLLIN, 0}}};
    std::array<char, 4096> buffer{};
    while (poll(fds.data(), fds.size(), -1) > 0 && fds[1].revents == 0) {
      const auto n = read(device_, buffer.data(), buffer.size());
      if (n > 0) engine.Feed(std::string_view(buffer.data(), static_cast<std::size_t>(n)));
    }
  }

  int device_ = -1;
  int line_ = -1;
  std::string path_;
  int wake_[2] = {-1, -1};
  std::thread thread_;
};

}  // namespace pelmora::testing
