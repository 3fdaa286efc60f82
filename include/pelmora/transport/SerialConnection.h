#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "pelmora/components/Connection.h"

namespace asio {
class io_context;
}

namespace pelmora {

// A serial line (8 data bits, no parity, one stop bit, no flow control) on the apartment of the
// creating thread. Bytes pass unchanged both ways. The port stays open across the protocol
// handler's per-command closes, like a telnet session.
class SerialConnection : public Connection {
 public:
  static constexpr int kDefaultBaudRate = 9600;
  // IsBusy is true while more than this many sent bytes wait to be written.
  static constexpr std::size_t kSendQueueLimit = 64 * 1024;

  explicit SerialConnection(std::string devicePath, int baudRate = kDefaultBaudRate);
  ~SerialConnection() override;

  // Path and baud rate take effect when the port is next opened.
  const std::string& DevicePath() const noexcept { return devicePath_; }
  void SetDevicePath(std::string path) { devicePath_ = std::move(path); }
  int BaudRate() const noexcept { return baudRate_; }
  void SetBaudRate(int baudRate) noexcept { baudRate_ = baudRate; }

  bool IsBusy() const override;
  std::string Endpoint() const override { return devicePath_; }

 protected:
  void OpenSession() override;
  void CloseSession() override;
  void Transmit(const std::string& bytes) override;

 private:
  struct Link;

  void ValidateEndpoint() const;
  void Configure(Link& link) const;

  asio::io_context* context_;
  std::string devicePath_;
  int baudRate_;
  std::unique_ptr<Link> link_;
};

}  // namespace pelmora
