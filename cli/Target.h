#pragma once

#include <optional>
#include <string>

namespace pelmora::cli {

// Where the tool's commands go: the embedded simulated print server (the default), a print
// server over telnet, or one on a serial line.
struct Target {
  enum class Kind { Sim, Host, Serial };
  static constexpr int kTelnetPort = 23;
  static constexpr int kBaudRate = 9600;

  Kind kind = Kind::Sim;
  std::string host;
  int port = kTelnetPort;
  std::string device;
  int baud = kBaudRate;

  // "HOST", "HOST:PORT", "[V6ADDRESS]:PORT" or a bare IPv6 address; throws UsageError.
  // Port 0 is accepted only where `allowAnyPort` (a listener asks the system for a free one).
  static Target Host(const std::string& endpoint, int defaultPort = kTelnetPort,
                     bool allowAnyPort = false);
  // Why Host would refuse an inventory's address text, or nothing when it takes it.
  static std::optional<std::string> AddressProblem(const std::string& endpoint);
  std::string Describe() const;
};

}  // namespace pelmora::cli
