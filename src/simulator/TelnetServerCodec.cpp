#include "TelnetServerCodec.h"

#include <new>
#include <utility>

namespace pelmora::simulator_detail {

namespace {

// The server will echo and suppress go-ahead when asked; it asks nothing of the client. Options
// missing from this table are refused (WONT for the client's DO, DONT for its WILL).
constexpr telnet_telopt_t kOptions[] = {
    {TELNET_TELOPT_ECHO, TELNET_WILL, TELNET_DONT},
    {TELNET_TELOPT_SGA, TELNET_WILL, TELNET_DONT},
    {-1, 0, 0},
};

}  // namespace

TelnetServerCodec::TelnetServerCodec()
    : telnet_(telnet_init(kOptions, &TelnetServerCodec::OnEvent, 0, this)) {
  if (telnet_ == nullptr) throw std::bad_alloc();
}

TelnetServerCodec::~TelnetServerCodec() {
  telnet_free(telnet_);
}

void TelnetServerCodec::OfferOptions() {
  telnet_negotiate(telnet_, TELNET_WILL, TELNET_TELOPT_ECHO);
  telnet_negotiate(telnet_, TELNET_WILL, TELNET_TELOPT_SGA);
}

void TelnetServerCodec::Receive(std::string_view raw) {
  telnet_recv(telnet_, raw.data(), raw.size());
}

// telnet_send only doubles byte 255; CR and LF go out as the shell wrote them.
void TelnetServerCodec::Send(std::string_view data) {
  telnet_send(telnet_, data.data(), data.size());
}

std::string TelnetServerCodec::TakeData() {
  return std::exchange(data_, {});
}

std::string TelnetServerCodec::TakeWire() {
  return std::exchange(wire_, {});
}

// Protocol errors (a garbled sequence from the client) are dropped: the parser carries on with
// the bytes behind them, as a device's telnet would.
void TelnetServerCodec::OnEvent(telnet_t* /*telnet*/, telnet_event_t* event, void* user) {
  auto& codec = *static_cast<TelnetServerCodec*>(user);
  switch (event->type) {
    case TELNET_EV_DATA:
      codec.AppendData(event->data.buffer, event->data.size);
      break;
    case TELNET_EV_SEND:
      codec.wire_.append(event->data.buffer, event->data.size);
      break;
    default:
      break;
  }
}

void TelnetServerCodec::AppendData(const char* data, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) {
    const char c = data[i];
    if (!(afterCr_ && c == '\0')) data_ += c;
    afterCr_ = c == '\r';
  }
}

}  // namespace pelmora::simulator_detail
