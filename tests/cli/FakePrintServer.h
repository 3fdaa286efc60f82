#pragma once

#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

#include "ToolProcess.h"

namespace pelmora::testing {

// A shell on loopback, one connection at a time, without telnet options: each CR-ended line gets
// its echo, the test's answer (if any) and "Local> "; "exit" ends it. A silent one never answers.
class FakePrintServer {
 public:
  enum class Mode { Answering, Silent };

  explicit FakePrintServer(Mode mode = Mode::Answering) : mode_(mode) {}
  ~FakePrintServer() {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
      shutdown(clientFd_, SHUT_RDWR);
    }
    shutdown(listener_.fd, SHUT_RDWR);  // ends a waiting accept
    thread_.join();
  }

  std::string Address() const { return listener_.Address(); }

  // Command lines, each followed by its answer lines (separated by CR LF); compared exactly.
  void Answer(const std::vector<std::string>& linesAndAnswers) {
    std::lock_guard lock(mutex_);
    for (std::size_t i = 0; i + 1 < linesAndAnswers.size(); i += 2)
      answers_[linesAndAnswers[i]] = linesAndAnswers[i + 1];
  }
  void SendUnsolicited(const std::string& text) {
    std::lock_guard lock(mutex_);
    send(clientFd_, text.data(), text.size(), MSG_NOSIGNAL);
  }
  bool WaitForReceived(const std::string& text, std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, limit,
                             [&] { return received_.find(text) != std::string::npos; });
  }
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
    for (int client; (client = accept(listener_.fd, nullptr, nullptr)) >= 0;) {
      std::unique_lock lock(mutex_);
      clientFd_ = client;
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
  void Handle(const std::string& data) {
    received_ += data;
    for (char c : data) {
      if (mode_ == Mode::Silent || exited_ || c == '\n') continue;
      if (c != '\r') {
        line_ += c;
        continue;
      }
      exited_ = line_ == "exit";
      const auto answer = answers_.find(line_);
      const std::string reply = line_ + "\r\n" +
                                (exited_                    ? "Exit Configuration task\r\n"
                                 : answer != answers_.end() ? answer->second + "\r\nLocal> "
                                                            : "Local> ");
      send(clientFd_, reply.data(), reply.size(), MSG_NOSIGNAL);
      line_.clear();
    }
  }

  Mode mode_;
  Listener listener_;
  int clientFd_ = -1;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::map<std::string, std::string> answers_;
  std::string received_;
  std::string line_;
  int clientsClosed_ = 0;
  bool exited_ = false;
  bool stopping_ = false;
  std::thread thread_{[this] { Serve(); }};  // last: serves the members above
};

}  // namespace pelmora::testing
