#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pelmora {

// Where a value stands in the inventory file (1-based; 0 when it has no place there).
struct SourcePosition {
  std::int64_t line = 0;
  std::int64_t column = 0;
};

// One print server of an inventory, with the defaults of the inventory already applied: a
// telnet address or a serial device, the groups it belongs to, and its session settings.
struct InventoryHost {
  static constexpr std::int32_t kTelnetPort = 23;
  static constexpr std::int32_t kBaudRate = 9600;

  std::string name;
  std::optional<std::string> address;  // "HOST[:PORT]", for telnet
  std::optional<std::string> serial;   // device path of a serial line
  std::int32_t port = kTelnetPort;     // for an address that names no port
  std::int32_t baud = kBaudRate;
  std::optional<std::int32_t> timeoutMs;
  std::optional<std::int32_t> framingDelayMs;
  std::optional<std::string> password;  // resolved: a literal, a variable's or a file's text
  std::vector<std::string> groups;
  SourcePosition position;         // of the host's table
  SourcePosition addressPosition;  // of its address
};

}  // namespace pelmora
