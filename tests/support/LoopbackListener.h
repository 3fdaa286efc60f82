#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace pelmora::testing {

// A socket listening on a free loopback port that never accepts (not inherited by a child). The
// system still completes the first handshakes, so a client reaches a shell that never answers;
// after FillQueue (on a listener made with backlog 0) a further connect waits for ever.
struct Listener {
  explicit Listener(int backlog = 4) {
    sockaddr_in address = Loopback(0);
    socklen_t length = sizeof address;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(fd, backlog) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      throw std::runtime_error("cannot listen on loopback");
    }
    port = ntohs(address.sin_port);
  }
  ~Listener() {
    for (const int filler : fillers) close(filler);
    close(fd);
  }
  Listener(const Listener&) = delete;
  Listener& operator=(const Listener&) = delete;

  std::string Address() const { return "127.0.0.1:" + std::to_string(port); }

  void FillQueue() {
    const sockaddr_in address = Loopback(port);
    for (int i = 0; i < 4; ++i) {
      fillers.push_back(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
      connect(fillers.back(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }

  static sockaddr_in Loopback(int port) {
    return {AF_INET, htons(static_cast<std::uint16_t>(port)), {htonl(INADDR_LOOPBACK)}, {}};
  }

  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  int port = 0;
  std::vector<int> fillers;
};

}  // namespace pelmora::testing
