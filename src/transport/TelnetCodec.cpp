#include "pelmora/transport/TelnetCodec.h"

// libtelnet.h uses size_t without declaring it.
#include <cstddef>

#include <libtelnet.h>

#include <new>
#include <utility>

namespace pelmora {

namespace {

// Options missing from a table are refused by libtelnet: WONT for the other end's DO, DONT for
// its WILL.
constexpr telnet_telopt_t kClientOptions[] = {
    {TELNET_TELOPT_ECHO, TELNET_WONT, TELNET_DO},
    {TELNET_TELOPT_SGA, TELNET_WONT, TELNET_DO},
    {-1, 0, 0},
};
constexpr telnet_telopt_t kServerOptions[] = {
    {TELNET_TELOPT_ECHO, TELNET_WILL, TELNET_DONT},
    {TELNET_TELOPT_SGA, TELNET_WILL, TELNET_DONT},
    {-1, 0, 0},
};

}  // namespace

TelnetCodec::TelnetCodec(Role role)
    : role_(role),
      telnet_(telnet_init(role == Role::Client ? kClientOptions : kServerOptions,
                          &TelnetCodec::OnEvent, 0, this)) {
  if (telnet_ == nullptr) throw std::bad_alloc();
}

TelnetCodec::~TelnetCodec() {
  telnet_free(telnet_);
}

void TelnetCodec::OfferOptions() {
  if (role_ != Role::Server) return;
  telnet_negotiate(telnet_, TELNET_WILL, TELNET_TELOPT_ECHO);
  telnet_negotiate(telnet_, TELNET_WILL, TELNET_TELOPT_SGA);
}

void TelnetCodec::Receive(std::string_view raw) {
  telnet_recv(telnet_, raw.data(), raw.size());
}

// telnet_send only doubles byte 255; unlike the formatted sender it leaves CR and LF alone.
void TelnetCodec::Send(std::string_view data) {
  telnet_send(telnet_, data.data(), data.size());
}

std::string TelnetCodec::TakeData() {
  return std::exchange(data_, {});
}

std::string TelnetCodec::TakeWire() {
  return std::exchange(wire_, {});
}

// Protocol errors and warnings (a garbled sequence, an overlong subnegotiation) are dropped:
// libtelnet has reset its state and reads on with the bytes behind them.
void TelnetCodec::OnEvent(telnet_t* /*telnet*/, telnet_event_t* event, void* user) {
  auto& codec = *static_cast<TelnetCodec*>(user);
  switch (event->type) {
    case TELNET_EV_DATA:
      codec.AppendData(std::string_view(event->data.buffer, event->data.size));
      break;
    case TELNET_EV_SEND:
      codec.wire_.append(event->data.buffer, event->data.size);
      break;
    case TELNET_EV_IAC:
      // Telnet commands are bytes 240 to 255; anything lower behind a 255 is text.
      if (event->iac.cmd < TELNET_SE) {
        const char pair[] = {static_cast<char>(TELNET_IAC), static_cast<char>(event->iac.cmd)};
        codec.AppendData(std::string_view(pair, 2));
      }
      break;
    default:
      break;
  }
}

void TelnetCodec::AppendData(std::string_view data) {
  for (const char c : data) {
    const bool afterCr = std::exchange(afterCr_, c == '\r');
    if (afterCr && c == '\0') continue;
    data_ += (c == '\n' && !afterCr && role_ == Role::Server) ? '\r' : c;
  }
}

}  // namespace pelmora
