#include "pelmora/transport/TelnetConnection.h"

#include <algorithm>
#include <asio/ip/tcp.hpp>
#include <utility>

#include "StreamSession.h"
#include "pelmora/platform/Apartment.h"
#include "pelmora/platform/CancelToken.h"
#include "pelmora/platform/ErrorNumbers.h"
#include "pelmora/transport/TelnetCodec.h"
#include "pelmora/transport/TelnetDialer.h"

namespace pelmora {

namespace {

using Socket = asio::ip::tcp::socket;
using Session = transport_detail::StreamSession<Socket>;

}  // namespace

struct TelnetConnection::Link {
  explicit Link(asio::io_context& context) : session(std::make_shared<Session>(Socket(context))) {}
  std::shared_ptr<Session> session;
  TelnetCodec codec{TelnetCodec::Role::Client};
};

TelnetConnection::TelnetConnection(std::string host, int port)
    : context_(&Apartment::Current().Context()),
      host_(std::move(host)),
      port_(port),
      dialer_(std::make_shared<TelnetDialer>()) {}

void TelnetConnection::SetDialer(std::shared_ptr<TelnetDialer> dialer) {
  dialer_ = std::move(dialer);
}

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

// What became of one attempt to reach the device. Shared with the dialer's handlers, which may
// run after the attempt was given up.
struct TelnetConnection::Attempt {
  bool done = false;
  bool abandoned = false;
  bool timedOut = false;
  bool resolved = false;
  std::error_code error;
};

void TelnetConnection::ConnectWithinLimit(Link& link) {
  auto attempt = std::make_shared<Attempt>();
  dialer_->Resolve(host_, std::to_string(port_),
                   [attempt, dialer = dialer_, session = link.session](
                       std::error_code error, TelnetDialer::Endpoints endpoints) {
                     if (attempt->abandoned) return;
                     if (!error && endpoints.empty()) error = asio::error::host_not_found;
                     attempt->resolved = !error;
                     if (error) {
                       attempt->done = true;
                       attempt->error = error;
                       return;
                     }
                     dialer->Connect(session->GetStream(), endpoints,
                                     [attempt, session](std::error_code connectError) {
                                       attempt->done = true;
                                       attempt->error = connectError;
                                     });
                   });
  AwaitAttempt(*attempt);
  if (!attempt->done) {
    attempt->abandoned = true;
    dialer_->Cancel();
    link.session->Close();
    if (Cancellation()) Cancellation()->ThrowIfRequested("Connection");
    RaiseConnectionError(
        errors::kConnectTimedOut,
        "connect timed out after " + std::to_string(EffectiveConnectLimit().count()) + " ms");
  }
  if (attempt->error && !attempt->resolved) {
    RaiseConnectionError(errors::kConnectFailed,
                         "cannot resolve host name '" + host_ + "': " + attempt->error.message());
  }
  if (attempt->error) RaiseConnectionError(errors::kConnectFailed, attempt->error.message());
  // Commands are short and answered before the next one goes out: send each at once.
  std::error_code ignored;
  link.session->GetStream().set_option(asio::ip::tcp::no_delay(true), ignored);
}

// Pumps the apartment until the attempt ends, the connect time limit has passed or the session
// is cancelled; a deadline at the limit wakes the pump there, a cancel wakes it at once. IsBusy
// reports the connect to handlers that run meanwhile.
void TelnetConnection::AwaitAttempt(Attempt& attempt) {
  struct BusyFlag {
    explicit BusyFlag(bool& flag) : flag(flag) { flag = true; }
    ~BusyFlag() { flag = false; }
    bool& flag;
  } busy(connecting_);
  const auto until = Apartment::Clock::now() + EffectiveConnectLimit();
  const Apartment::Deadline limit(until);
  const auto cancelled = [this] { return Cancellation() && Cancellation()->Requested(); };
  while (!attempt.done && Apartment::Clock::now() < until && !cancelled()) {
    Apartment::Current().Pump();
  }
}

// The connect time limit, or the opening command's time limit when that is shorter.
std::chrono::milliseconds TelnetConnection::EffectiveConnectLimit() const noexcept {
  const auto command = OpenTimeLimit();
  return command.count() > 0 ? std::min(connectTimeLimit_, command) : connectTimeLimit_;
}

void TelnetConnection::OnBytes(std::string_view raw) {
  link_->codec.Receive(raw);
  FlushProtocolOutput();
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
