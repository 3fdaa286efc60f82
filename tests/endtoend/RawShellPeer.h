#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "pelmora/transport/TelnetCodec.h"

namespace pelmora::testing {

// A misbehaving print server on a loopback port, for what the simulated one cannot do: it reads
// the telnet client's lines (decoded by the simulator's telnet codec, whose answers to the
// client's options it does not send) and plays, for every line, the steps a script gives: bytes
// to write, a pause, the end of the connection. Lines are counted from 1 over the peer's life,
// across connections, so a script can fault the first command and answer the next one properly.
class RawShellPeer {
 public:
  struct Step {
    std::string bytes;
    std::chrono::milliseconds pauseAfter{0};
    bool close = false;
  };
  using Script = std::function<std::vector<Step>(const std::string& line, int number)>;

  explicit RawShellPeer(Script script) : script_(std::move(script)) {
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    const int yes = 1;
    setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener_ < 0 || pipe(wake_) != 0 ||
        bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      throw std::runtime_error("cannot bind a loopback port");
    }
    port_ = ntohs(address.sin_port);
  }

  ~RawShellPeer() {
    const char stop = 'x';
    if (thread_.joinable()) {
      (void)write(wake_[1], &stop, 1);
      thread_.join();
    }
    for (int fd : {listener_, wake_[0], wake_[1]}) close(fd);
  }
  RawShellPeer(const RawShellPeer&) = delete;
  RawShellPeer& operator=(const RawShellPeer&) = delete;

  void Listen() {
    if (listen(listener_, SOMAXCONN) != 0) throw std::runtime_error("cannot listen");
    if (!thread_.joinable()) thread_ = std::thread([this] { Serve(); });
  }

  std::uint16_t Port() const noexcept { return port_; }
  int LinesSeen() const noexcept { return lines_; }

 private:
  void Serve() {
    int client = -1;
    for (;;) {
      std::vector<pollfd> fds{{wake_[0], POLLIN, 0}};
      if (client >= 0) {
        fds.push_back({client, POLLIN, 0});
      } else {
        fds.push_back({listener_, POLLIN, 0});
      }
      if (poll(fds.data(), fds.size(), -1) < 0) break;
      if (fds[0].revents != 0) {
        char signal = 0;
        (void)read(wake_[0], &signal, 1);
        if (signal == 'x') break;
        continue;
      }
      if (fds.size() < 2 || fds[1].revents == 0) continue;
      if (client < 0) {
        client = accept(listener_, nullptr, nullptr);
        const int yes = 1;
        if (client >= 0) setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
        line_.clear();
        telnet_ = std::make_unique<TelnetCodec>(TelnetCodec::Role::Server);
        continue;
      }
      if (!ReadLines(client)) {
        close(client);
        client = -1;
      }
    }
    if (client >= 0) close(client);
  }

  // False when the connection has ended, by the client or by a step of the script.
  bool ReadLines(int client) {
    char buffer[4096];
    const auto n = read(client, buffer, sizeof buffer);
    if (n <= 0) return false;
    telnet_->Receive(std::string_view(buffer, static_cast<std::size_t>(n)));
    telnet_->TakeWire();
    for (const char c : telnet_->TakeData()) {
      if (c == '\n') continue;
      if (c != '\r') {
        line_ += c;
        continue;
      }
      for (const Step& step : script_(std::exchange(line_, {}), ++lines_)) {
        if (!WriteAll(client, step.bytes)) return false;
        if (step.pauseAfter.count() > 0) {
          pollfd wake{wake_[0], POLLIN, 0};
          if (poll(&wake, 1, static_cast<int>(step.pauseAfter.count())) > 0) return false;
        }
        if (step.close) return false;
      }
    }
    return true;
  }

  static bool WriteAll(int fd, const std::string& bytes) {
    for (std::size_t done = 0; done < bytes.size();) {
      const auto n = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
      if (n <= 0) return false;
      done += static_cast<std::size_t>(n);
    }
    return true;
  }

  Script script_;
  int listener_ = -1;
  int wake_[2] = {-1, -1};
  std::uint16_t port_ = 0;
  std::atomic<int> lines_{0};
  std::string line_;
  std::unique_ptr<TelnetCodec> telnet_;
  std::thread thread_;
};

}  // namespace pelmora::testing
