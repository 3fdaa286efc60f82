#include "pelmora/transport/TelnetConnection.h"

#include <libtelnet.h>

#include <asio/connect.hpp>
#include <asio/ip/tcp.hpp>
#include <new>
#include <optional>
#include <utility>

#include "StreamSession.h"
#include "pelmora/platform/Apartment.h"
#include "pelmora/platform/ErrorNumbers.h"

namespace pelmora {

namespace {

using Socket = asio::ip::tcp::socket;
using Session = transport_detail::StreamSession<Socket>;

// The device may echo and suppress go-ahead; we offer nothing ourselves. Options missing from
// this table are refused by libtelnet (DONT for the device's WILL, WONT for its DO).
constexpr telnet_telopt_t kOptions[] = {
    {TELNET_TELOPT_ECHO, TELNET_WONT, TELNET_DO},
    {TELNET_TELOPT_SGA, TELNET_WONT, TELNET_DO},
    {-1, 0, 0},
};

// The telnet protocol state of one session. It only collects: the data bytes received, the
// bytes to put on the wire (answers to option requests, escaped text) and a protocol error, so
// that nothing is called back from inside the parser.
class TelnetCodec {
 public:
  TelnetCodec() : telnet_(telnet_init(kOptions, &TelnetCodec::OnEvent, 0, this)) {
    if (telnet_ == nullptr) throw std::bad_alloc();
  }
  ~TelnetCodec() { telnet_free(telnet_); }
  TelnetCodec(const TelnetCodec&) = delete;
  TelnetCodec& operator=(const TelnetCodec&) = delete;

  void Receive(std::string_view raw) { telnet_recv(telnet_, raw.data(), raw.size()); }
  // telnet_send only doubles byte 255; unlike the formatted sender it leaves CR and LF alone.
  void Send(std::string_view data) { telnet_send(telnet_, data.data(), data.size()); }

  std::string TakeData() { return std::exchange(data_, {}); }
  std::string TakeWire() { return std::exchange(wire_, {}); }
  std::optional<std::string> TakeError() { return std::exchange(error_, std::nullopt); }

 private:
  static void OnEvent(telnet_t* /*telnet*/, telnet_event_t* event, void* user) {
    auto& codec = *static_cast<TelnetCodec*>(user);
    switch (event->type) {
      case TELNET_EV_DATA:
        codec.data_.append(event->data.buffer, event->data.size);
        break;
      case TELNET_EV_SEND:
        codec.wire_.append(event->data.buffer, event->data.size);
        break;
      case TELNET_EV_IAC:
        // Telnet commands are bytes 240 to 255. Byte 255 followed by anything else is a device
        // that forgot to double a 255 in its text: both bytes are data. Dropping the second one
        // would eat the first letter of whatever comes next, such as the next command's echo.
        if (event->iac.cmd < TELNET_SE) {
          codec.data_ += static_cast<char>(TELNET_IAC);
          codec.data_ += static_cast<char>(event->iac.cmd);
        }
        break;
      case TELNET_EV_ERROR:
        codec.error_ = event->error.msg;
        break;
      default:
        break;
    }
  }

  telnet_t* telnet_;
  std::string data_;
  std::string wire_;
  std::optional<std::string> error_;
};

}  // namespace

struct TelnetConnection::Link {
  explicit Link(asio::io_context& context) : session(std::make_shared<Session>(Socket(context))) {}
  std::shared_ptr<Session> session;
  TelnetCodec codec;
};

TelnetConnection::TelnetConnection(std::string host, int port)
    : context_(&Apartment::Current().Context()), host_(std::move(host)), port_(port) {}

TelnetConnection::~TelnetConnection() {
  TelnetConnection::CloseSession();
  MarkSessionEnded();
}

bool TelnetConnection::IsBusy() const {
  return connecting_ || (link_ && link_->session->QueuedBytes() > kSendQueueLimit);
}

std::string TelnetConnection::Endpoint() const {
  const bool ipv6Literal = host_.find(':') != std::string::npos;
  return (ipv6Literal ? "[" + host_ + "]" : host_) + ":" + std::to_string(port_);
}

void TelnetConnection::OpenSession() {
  ValidateEndpoint();
  auto link = std::make_unique<Link>(*context_);
  ConnectWithinLimit(*link);
  link_ = std::move(link);
  // Reading starts only now, so that a device closing at once is reported as a lost session
  // and not while the session is still being opened.
  link_->session->Start(
      Endpoint(), [this](std::string_view raw) { OnBytes(raw); },
      [this](const AutomationError& error) { SessionLost(error); });
}

void TelnetConnection::ValidateEndpoint() const {
  if (host_.empty()) RaiseConnectionError(errors::kInvalidEndpoint, "no host given");
  if (port_ < 1 || port_ > 65535) {
    RaiseConnectionError(errors::kInvalidEndpoint, "port out of range (1 to 65535)");
  }
}

void TelnetConnection::ConnectWithinLimit(Link& link) {
  std::error_code ec;
  asio::ip::tcp::resolver resolver(*context_);
  const auto endpoints =
      resolver.resolve(host_, std::to_string(port_), asio::ip::resolver_base::numeric_service, ec);
  if (ec) RaiseConnectionError(errors::kConnectFailed, ec.message());

  struct Outcome {
    bool done = false;
    std::error_code error;
  };
  auto outcome = std::make_shared<Outcome>();
  // The handler keeps the session alive: the connect operation refers to its socket until the
  // handler has run, even after a time-out has given up on it.
  asio::async_connect(link.session->GetStream(), endpoints,
                      [outcome, keep = link.session](std::error_code error, const auto&) {
                        outcome->done = true;
                        outcome->error = error;
                      });
  {
    // IsBusy reports the connect to handlers that run meanwhile.
    struct BusyFlag {
      explicit BusyFlag(bool& flag) : flag(flag) { flag = true; }
      ~BusyFlag() { flag = false; }
      bool& flag;
    } busy(connecting_);
    const auto deadline = std::chrono::steady_clock::now() + connectTimeLimit_;
    while (!outcome->done && std::chrono::steady_clock::now() < deadline) {
      Apartment::Current().PumpUntil(deadline);
    }
  }

  if (!outcome->done) {
    link.session->Close();
    RaiseConnectionError(
        errors::kConnectTimedOut,
        "no connection within " + std::to_string(connectTimeLimit_.count()) + " ms");
  }
  if (outcome->error) RaiseConnectionError(errors::kConnectFailed, outcome->error.message());
  // Commands are short and answered before the next one goes out: send each at once.
  link.session->GetStream().set_option(asio::ip::tcp::no_delay(true), ec);
}

void TelnetConnection::OnBytes(std::string_view raw) {
  link_->codec.Receive(raw);
  FlushProtocolOutput();
  if (auto error = link_->codec.TakeError()) {
    link_->session->Fail(errors::kReceiveFailed, "telnet protocol error: " + *error);
    return;
  }
  // Handlers of OnReceive may close or even destroy this connection: nothing of it is touched
  // after Deliver.
  const std::string data = link_->codec.TakeData();
  Deliver(data);
}

void TelnetConnection::FlushProtocolOutput() {
  link_->session->Send(link_->codec.TakeWire());
}

void TelnetConnection::CloseSession() {
  if (!link_) return;
  link_->session->Close();
  link_.reset();
}

void TelnetConnection::Transmit(const std::string& bytes) {
  if (!link_) RaiseConnectionError(errors::kNotConnected, "the connection is not open");
  link_->codec.Send(bytes);
  FlushProtocolOutput();
}

}  // namespace pelmora
