#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>

namespace pelmora::testing {

// A print server's shell played by the test over TCP on 127.0.0.1 with a free port, one
// connection at a time, without telnet options. It answers each line ended by CR with its echo,
// the answer the test gave for that line (if any) and the prompt "Local> ". A silent server
// reads everything and never answers: a device that stopped talking.
class FakePrintServer {
 public:
  enum class Mode { Answering, Silent };

  explicit FakePrintServer(Mode mode = Mode::Answering);
  ~FakePrintServer();
  FakePrintServer(const FakePrintServer&) = delete;
  FakePrintServer& operator=(const FakePrintServer&) = delete;

  std::uint16_t Port() const noexcept { return port_; }
  std::string Address() const { return "127.0.0.1:" + std::to_string(port_); }

  // The answer lines (separated by CR LF) for a command line, compared exactly.
  void Answer(const std::string& line, const std::string& answer);
  // Text the device prints on its own, to the connection being served.
  void SendUnsolicited(const std::string& text);

  // Waits until the bytes received so far contain `text`.
  bool WaitForReceived(const std::string& text, std::chrono::milliseconds limit);
  // Waits until the client has closed its connection.
  bool WaitForClientClose(std::chrono::milliseconds limit);
  std::string Received();

 private:
  void Serve();
  void Handle(const char* data, std::size_t size);

  Mode mode_;
  int listenFd_ = -1;
  int wakeFds_[2] = {-1, -1};
  int clientFd_ = -1;
  std::uint16_t port_ = 0;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::map<std::string, std::string> answers_;
  std::string received_;
  std::string line_;
  int closedClients_ = 0;
  std::thread thread_;
};

}  // namespace pelmora::testing
