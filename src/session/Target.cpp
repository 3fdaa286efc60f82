#include "pelmora/session/Target.h"

#include <charconv>

namespace pelmora {

namespace {

int ParsePort(const std::string& text, const std::string& endpoint, bool allowAnyPort) {
  int port = -1;
  const char* end = text.data() + text.size();
  const auto [ptr, error] = std::from_chars(text.data(), end, port);
  const int lowest = allowAnyPort ? 0 : 1;
  if (text.empty() || error != std::errc() || ptr != end || port < lowest || port > 65535) {
    throw TargetError("bad port in '" + endpoint + "'");
  }
  return port;
}

bool HoldsNul(const std::string& text) {
  return text.find('\0') != std::string::npos;
}

}  // namespace

Target Target::Host(const std::string& endpoint, int defaultPort, bool allowAnyPort) {
  Target target;
  target.kind = Kind::Host;
  target.port = defaultPort;
  if (HoldsNul(endpoint)) throw TargetError("a host name holds no NUL character");
  if (!endpoint.empty() && endpoint.front() == '[') {
    const auto close = endpoint.find(']');
    if (close == std::string::npos) throw TargetError("missing ']' in '" + endpoint + "'");
    target.host = endpoint.substr(1, close - 1);
    if (close + 1 < endpoint.size()) {
      if (endpoint[close + 1] != ':') throw TargetError("bad address '" + endpoint + "'");
      target.port = ParsePort(endpoint.substr(close + 2), endpoint, allowAnyPort);
    }
  } else if (const auto colon = endpoint.find(':');
             colon != std::string::npos && endpoint.find(':', colon + 1) == std::string::npos) {
    target.host = endpoint.substr(0, colon);
    target.port = ParsePort(endpoint.substr(colon + 1), endpoint, allowAnyPort);
  } else {
    target.host = endpoint;  // no port, or a bare IPv6 address
  }
  if (target.host.empty()) throw TargetError("missing host in '" + endpoint + "'");
  return target;
}

Target Target::Serial(const std::string& device, int baud) {
  Target target;
  target.kind = Kind::Serial;
  target.device = device;
  target.baud = baud;
  return target;
}

void Target::Check() const {
  if (kind == Kind::Host) {
    if (host.empty() || HoldsNul(host)) throw TargetError("a host needs a name without NUL");
    if (port < 1 || port > 65535) throw TargetError("port out of range (1 to 65535)");
  }
  if (kind == Kind::Serial) {
    if (device.empty() || HoldsNul(device)) throw TargetError("a serial line needs a device path");
    if (baud <= 0) throw TargetError("the baud rate must be a positive number");
  }
  if (timeoutMs && *timeoutMs <= 0) throw TargetError("the time limit must be a positive number");
  if (framingDelayMs && *framingDelayMs < 0) {
    throw TargetError("the framing delay must not be negative");
  }
}

std::optional<std::string> Target::AddressProblem(const std::string& endpoint) {
  try {
    Host(endpoint);
    return std::nullopt;
  } catch (const TargetError& error) {
    return std::string(error.what());
  }
}

std::string Target::Describe() const {
  switch (kind) {
    case Kind::Host:
      return (host.find(':') != std::string::npos ? "[" + host + "]" : host) + ":" +
             std::to_string(port);
    case Kind::Serial:
      return device + " at " + std::to_string(baud) + " baud";
    case Kind::Sim:
      break;
  }
  return "embedded simulator";
}

}  // namespace pelmora
