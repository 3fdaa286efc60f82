#include "RawProbe.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <stdexcept>
#include <string_view>

namespace pelmora::bench {

namespace {
constexpr std::string_view kPrompt = "Local> ";

[[noreturn]] void Fail(const std::string& what) {
  throw std::runtime_error("raw probe: " + what);
}
}  // namespace

RawProbe::RawProbe(int port) {
  socket_ = ::socket(AF_INET, SOCK_STREAM, 0);
  if (socket_ < 0) Fail("no socket");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(socket_);
    Fail("connect failed");
  }
  const int on = 1;
  ::setsockopt(socket_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  // The first exchange also carries the server's option offers; they are read and ignored.
  RoundTripMs();
}

RawProbe::~RawProbe() {
  if (socket_ >= 0) ::close(socket_);
}

double RawProbe::RoundTripMs() {
  const auto start = std::chrono::steady_clock::now();
  SendCarriageReturn();
  ReadThroughPrompt();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

void RawProbe::SendCarriageReturn() {
  if (::send(socket_, "\r", 1, MSG_NOSIGNAL) != 1) Fail("send failed");
}

void RawProbe::ReadThroughPrompt() {
  received_.clear();
  std::array<char, 4096> chunk{};
  while (received_.size() < kPrompt.size() ||
         std::string_view(received_).substr(received_.size() - kPrompt.size()) != kPrompt) {
    const auto size = ::recv(socket_, chunk.data(), chunk.size(), 0);
    if (size <= 0) Fail("the simulator closed the session");
    received_.append(chunk.data(), static_cast<std::size_t>(size));
  }
}

}  // namespace pelmora::bench
