#include "Target.h"

#include <charconv>

#include "UsageError.h"

namespace pelmora::cli {

namespace {

int ParsePort(const std::string& text, const std::string& spec, bool allowAnyPort) {
  int port = -1;
  const char* end = text.data() + text.size();
  const auto [ptr, error] = std::from_chars(text.data(), end, port);
  const int lowest = allowAnyPort ? 0 : 1;
  if (text.empty() || error != std::errc() || ptr != end || port < lowest || port > 65535) {
    throw UsageError("bad port in '" + spec + "'");
  }
  return port;
}

}  // namespace

Target Target::Host(const std::string& spec, int defaultPort, bool allowAnyPort) {
  Target target;
  target.kind = Kind::Host;
  target.port = defaultPort;
  std::string portText;
  if (!spec.empty() && spec.front() == '[') {
    const auto close = spec.find(']');
    if (close == std::string::npos) throw UsageError("missing ']' in '" + spec + "'");
    target.host = spec.substr(1, close - 1);
    if (close + 1 < spec.size()) {
      if (spec[close + 1] != ':') throw UsageError("bad address '" + spec + "'");
      portText = spec.substr(close + 2);
      target.port = ParsePort(portText, spec, allowAnyPort);
    }
  } else if (const auto colon = spec.find(':');
             colon != std::string::npos && spec.find(':', colon + 1) == std::string::npos) {
    target.host = spec.substr(0, colon);
    target.port = ParsePort(spec.substr(colon + 1), spec, allowAnyPort);
  } else {
    target.host = spec;  // no port, or a bare IPv6 address
  }
  if (target.host.empty()) throw UsageError("missing host in '" + spec + "'");
  return target;
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
