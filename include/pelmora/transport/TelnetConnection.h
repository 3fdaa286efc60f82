#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

#include "pelmora/components/Connection.h"

namespace asio {
class io_context;
}

namespace pelmora {

class TelnetDialer;

// A telnet session over TCP, on the apartment of the creating thread.
//
// The device's offers to echo and to suppress go-ahead are accepted; every other option is
// refused. What is sent goes out unchanged (a carriage return stays a lone carriage return)
// except that byte 255 is doubled, as telnet requires.
//
// Opening looks the host up and connects before it returns (it pumps the apartment meanwhile),
// because a caller sends right after it opens. Both steps together are bounded by the connect
// time limit: past it, opening fails with the time-out error (3002), also while a slow name
// server still has not answered. A lookup or connect that fails ends the opening at once with
// the connect error (3001) and the resolver's or the system's reason.
class TelnetConnection : public Connection {
 public:
  static constexpr int kDefaultPort = 23;
  static constexpr std::chrono::milliseconds kDefaultConnectTimeLimit{5000};
  // IsBusy is true while more than this many sent bytes wait to be written.
  static constexpr std::size_t kSendQueueLimit = 64 * 1024;

  explicit TelnetConnection(std::string host, int port = kDefaultPort);
  ~TelnetConnection() override;

  // Host, port and time limit take effect at the next physical session.
  const std::string& Host() const noexcept { return host_; }
  void SetHost(std::string host) { host_ = std::move(host); }
  int Port() const noexcept { return port_; }
  void SetPort(int port) noexcept { port_ = port; }
  std::chrono::milliseconds ConnectTimeLimit() const noexcept { return connectTimeLimit_; }
  void SetConnectTimeLimit(std::chrono::milliseconds limit) noexcept { connectTimeLimit_ = limit; }
  // Replaces how the device is looked up and reached (tests play faults with it).
  void SetDialer(std::shared_ptr<TelnetDialer> dialer);

  bool IsBusy() const override;
  std::string Endpoint() const override;

 protected:
  void OpenSession() override;
  void CloseSession() override;
  void Transmit(const std::string& bytes) override;

 private:
  struct Link;
  struct Attempt;

  void ValidateEndpoint() const;
  void ConnectWithinLimit(Link& link);
  void AwaitAttempt(Attempt& attempt);
  void OnBytes(std::string_view raw);
  void FlushProtocolOutput();

  asio::io_context* context_;
  std::string host_;
  int port_;
  std::chrono::milliseconds connectTimeLimit_ = kDefaultConnectTimeLimit;
  std::shared_ptr<TelnetDialer> dialer_;
  std::unique_ptr<Link> link_;
  bool connecting_ = false;
};

}  // namespace pelmora
