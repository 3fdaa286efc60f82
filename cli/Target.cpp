#include "Target.h"

#include <charconv>

#include "UsageError.h"

namespace pelmora::cli {

namespace {

int ParsePort(const std::string& text, const std::string& endpoint, bool allowAnyPort) {
  int port = -1;
  const char* end = text.data() + text.size();
  const auto [ptr, error] = std::from_chars(text.data(), end, port);
  const int lowest = allowAnyPort ? 0 : 1;
  if (text.empty() || error != std::errc() || ptr != end || port < lowest || port > 65535) {
    throw UsageError("bad port in '" + endpoint + "'");
  }
  return port;
}

}  // namespace

Target Target::Host(const std::string& endpoint, int defaultPort, bool allowAnyPort) {
  Target target;
  target.kind = Kind::Host;
  target.port = defaultPort;
  std::string portText;
  if (!endpoint.empty() && endpoint.front() == '[') {
    const auto close = endpoint.find(']');
    if (close == std::string::npos) throw UsageError("missing ']' in '" + endpoint + "'");
    target.host = endpoint.substr(1, close - 1);
    if (close + 1 < endpoint.size()) {
      if (endpoint[close + 1] != ':') throw UsageError("bad address '" + endpoint + "'");
      portText = endpoint.substr(close + 2);
      target.port = ParsePort(portText, endpoint, allowAnyPort);
    }
  } else if (const auto colon = endpoint.find(':');
             colon != std::string::npos && endpoint.find(':', colon + 1) == std::string::npos) {
    target.host = endpoint.substr(0, colon);
    target.port = ParsePort(endpoint.substr(colon + 1), endpoint, allowAnyPort);
  } else {
    target.host = endpoint;  // no port, or a bare IPv6 address
  }
  if (target.host.empty()) throw UsageError("missing host in '" + endpoint + "'");
  return target;
}

std::optional<std::string> Target::AddressProblem(const std::string& endpoint) {
  try {
    Host(endpoint);
    return std::nullopt;
  } catch (const UsageError& error) {
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

}  // namespace pelmora::cli
