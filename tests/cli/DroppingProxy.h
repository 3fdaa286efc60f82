#pragma once

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>

#include "support/LoopbackListener.h"

namespace pelmora::testing {

// A loopback proxy to a print server that ends its first session (both ways) right after the
// device's N-th prompt has passed to the client. The device stays reachable: later sessions are
// relayed whole, one after the other.
class DroppingProxy {
 public:
  DroppingProxy(int devicePort, int dropAfterPrompt)
      : devicePort_(devicePort), dropAfter_(dropAfterPrompt) {
    thread_ = std::thread([this] { Serve(); });
  }
  ~DroppingProxy() {
    shutdown(listener_.fd, SHUT_RDWR);
    thread_.join();
  }
  DroppingProxy(const DroppingProxy&) = delete;
  DroppingProxy& operator=(const DroppingProxy&) = delete;

  std::string Address() const { return listener_.Address(); }
  bool Dropped() const { return dropped_; }

 private:
  void Serve() {
    for (int session = 0;; ++session) {
      const int client = accept(listener_.fd, nullptr, nullptr);
      if (client < 0) return;
      const int device = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
      const sockaddr_in address = Listener::Loopback(devicePort_);
      if (connect(device, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
        Relay(client, device, session == 0 ? dropAfter_ : -1);
      }
      close(device);
      close(client);
    }
  }

  void Relay(int client, int device, int dropAfter) {
    pollfd ends[2] = {{client, POLLIN, 0}, {device, POLLIN, 0}};
    std::string seen;
    int prompts = 0;
    char buffer[4096];
    while (poll(ends, 2, 10000) > 0) {
      for (int i = 0; i < 2; ++i) {
        if ((ends[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
        const ssize_t got = recv(ends[i].fd, buffer, sizeof buffer, 0);
        if (got <= 0) return;
        const std::string chunk(buffer, static_cast<std::size_t>(got));
        // A prompt counts when it ends the device's output so far: the answer is complete.
        for (std::size_t at = 0; i == 1 && at < chunk.size(); ++at) {
          seen += chunk[at];
          if (!seen.ends_with("Local> ") && !seen.ends_with("Local: ")) continue;
          send(client, seen.data(), seen.size(), MSG_NOSIGNAL);
          seen.clear();
          if (++prompts == dropAfter) {
            dropped_ = true;
            return;
          }
        }
        if (i == 0) send(device, chunk.data(), chunk.size(), MSG_NOSIGNAL);
      }
      if (!seen.empty()) {
        send(client, seen.data(), seen.size(), MSG_NOSIGNAL);
        seen.clear();
      }
    }
  }

  Listener listener_;
  int devicePort_;
  int dropAfter_;
  std::atomic<bool> dropped_{false};
  std::thread thread_;
};

}  // namespace pelmora::testing
