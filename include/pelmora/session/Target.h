#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

#include "pelmora/session/SecretSource.h"

namespace pelmora {

// A target that cannot be parsed ("host:70000", "[::1"): nothing is opened for it.
class TargetError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

// Where a session goes and how it talks there: the embedded simulated print server (the
// default), a print server over telnet, or one on a serial line; the command time limit, the
// framing delay and the password to log in with, when given.
struct Target {
  enum class Kind { Sim, Host, Serial };
  static constexpr int kTelnetPort = 23;
  static constexpr int kBaudRate = 9600;

  Kind kind = Kind::Sim;
  std::string host;
  int port = kTelnetPort;
  std::string device;
  int baud = kBaudRate;
  std::optional<std::int32_t> timeoutMs;       // the library's default when empty
  std::optional<std::int32_t> framingDelayMs;  // the library's default when empty
  std::optional<SecretSource> password;

  // "HOST", "HOST:PORT", "[V6ADDRESS]:PORT" or a bare IPv6 address; throws TargetError.
  // Port 0 is accepted only where `allowAnyPort` (a listener asks the system for a free one).
  static Target Host(const std::string& endpoint, int defaultPort = kTelnetPort,
                     bool allowAnyPort = false);
  static Target Serial(const std::string& device, int baud = kBaudRate);
  // Why Host would refuse an address text (an inventory's), or nothing when it takes it.
  static std::optional<std::string> AddressProblem(const std::string& endpoint);
  // Throws TargetError for what could never be opened: an empty host, a port outside 1 to
  // 65535, a NUL inside a name, a baud rate that is not positive, a time limit that is not
  // positive, a negative framing delay.
  void Check() const;
  std::string Describe() const;
};

}  // namespace pelmora
