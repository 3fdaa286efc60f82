#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>

#include "pelmora/transport/TelnetCodec.h"

namespace pelmora::testing {

// A print server's shell played by the test over TCP on 127.0.0.1 with a free port, one
// connection at a time. Its telnet is the simulated print server's (options offered at connect
// and negotiated, byte 255 escaped, the client's line ends decoded); its shell, like the real
// one, ends lines at CR and ignores LF. It answers each line with its echo, the answer the test
// gave for that line (if any) and the prompt "Local> "; "exit" gets the farewell and ends the
// connection. A silent server reads everything and never answers, not even the telnet options:
// a device that stopped talking.
class FakePrintServer {
 public:
  enum class Mode { Answering, Silent };

  explicit FakePrintServer(Mode mode = Mode::Answering) : mode_(mode) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listenFd_, 4) != 0 ||
        getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      throw std::runtime_error("fake print server cannot listen");
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~FakePrintServer() {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
      shutdown(clientFd_, SHUT_RDWR);
    }
    shutdown(listenFd_, SHUT_RDWR);  // ends a waiting accept
    thread_.join();
    close(listenFd_);
  }
  FakePrintServer(const FakePrintServer&) = delete;
  FakePrintServer& operator=(const FakePrintServer&) = delete;

  std::string Address() const { return "127.0.0.1:" + std::to_string(port_); }

  // The answer lines (separated by CR LF) for a command line, compared exactly.
  void Answer(const std::string& line, const std::string& answer) {
    std::lock_guard lock(mutex_);
    answers_[line] = answer;
  }
  // Text the device prints on its own, to the connection being served.
  void SendUnsolicited(const std::string& text) {
    std::lock_guard lock(mutex_);
    send(clientFd_, text.data(), text.size(), MSG_NOSIGNAL);
  }
  // Waits until the text received so far (telnet decoded) contains `text`.
  bool WaitForReceived(const std::string& text, std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, limit,
                             [&] { return received_.find(text) != std::string::npos; });
  }
  // Waits until the client has closed its connection.
  bool WaitForClientClose(std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, limit, [&] { return clientsClosed_ > 0; });
  }
  std::string Received() {
    std::lock_guard lock(mutex_);
    return received_;
  }

 private:
  void Serve() {
    for (int client; (client = accept(listenFd_, nullptr, nullptr)) >= 0;) {
      std::unique_lock lock(mutex_);
      clientFd_ = client;
      telnet_ = std::make_unique<TelnetCodec>(TelnetCodec::Role::Server);
      if (mode_ == Mode::Answering) telnet_->OfferOptions();
      SendWire();
      for (ssize_t n = stopping_ ? 0 : 1; n > 0 && !exited_; changed_.notify_all()) {
        char buffer[4096];
        lock.unlock();
        n = recv(client, buffer, sizeof buffer, 0);
        lock.lock();
        if (n > 0) Handle(std::string(buffer, static_cast<std::size_t>(n)));
      }
      exited_ = false;
      close(std::exchange(clientFd_, -1));
      ++clientsClosed_;
      line_.clear();
      changed_.notify_all();
    }
  }

  // Called with the mutex held.
  void Handle(const std::string& raw) {
    telnet_->Receive(raw);
    const std::string data = telnet_->TakeData();
    received_ += data;
    for (char c : data) {
      if (mode_ == Mode::Silent || exited_ || c == '\n') continue;
      if (c != '\r') {
        line_ += c;
        continue;
      }
      exited_ = line_ == "exit";
      const auto answer = answers_.find(line_);
      telnet_->Send(line_ + "\r\n" +
                    (exited_                    ? "Exit Configuration task\r\n"
                     : answer != answers_.end() ? answer->second + "\r\n" + "Local> "
                                                : "Local> "));
      line_.clear();
    }
    SendWire();
  }

  void SendWire() {
    const std::string wire = telnet_->TakeWire();
    send(clientFd_, wire.data(), wire.size(), MSG_NOSIGNAL);
  }

  Mode mode_;
  int listenFd_ = socket(AF_INET, SOCK_STREAM, 0);
  int clientFd_ = -1;
  std::uint16_t port_ = 0;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::map<std::string, std::string> answers_;
  std::string received_;
  std::string line_;
  std::unique_ptr<TelnetCodec> telnet_;
  int clientsClosed_ = 0;
  bool exited_ = false;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace pelmora::testing
