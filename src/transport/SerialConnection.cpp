#include "pelmora/transport/SerialConnection.h"

#include <asio/serial_port.hpp>

#include "StreamSession.h"
#include "pelmora/platform/Apartment.h"
#include "pelmora/platform/ErrorNumbers.h"

namespace pelmora {

namespace {
using Port = asio::serial_port;
using Session = transport_detail::StreamSession<Port>;
}  // namespace

struct SerialConnection::Link {
  explicit Link(asio::io_context& context) : session(std::make_shared<Session>(Port(context))) {}
  Port& GetPort() { return session->GetStream(); }
  std::shared_ptr<Session> session;
};

SerialConnection::SerialConnection(std::string devicePath, int baudRate)
    : context_(&Apartment::Current().Context()),
      devicePath_(std::move(devicePath)),
      baudRate_(baudRate) {}

SerialConnection::~SerialConnection() {
  SerialConnection::CloseSession();
  MarkSessionEnded();
}

bool SerialConnection::IsBusy() const {
  return link_ && link_->session->QueuedBytes() > kSendQueueLimit;
}

void SerialConnection::OpenSession() {
  ValidateEndpoint();
  auto link = std::make_unique<Link>(*context_);
  std::error_code ec;
  link->GetPort().open(devicePath_, ec);
  if (ec) RaiseConnectionError(errors::kSerialOpenFailed, ec.message());
  Configure(*link);
  link_ = std::move(link);
  link_->session->Start(
      Endpoint(), [this](std::string_view bytes) { Deliver(bytes); },
      [this](const AutomationError& error) { SessionLost(error); });
}

void SerialConnection::ValidateEndpoint() const {
  if (devicePath_.empty()) RaiseConnectionError(errors::kInvalidEndpoint, "no device path given");
  if (baudRate_ <= 0) RaiseConnectionError(errors::kInvalidEndpoint, "baud rate must be positive");
}

void SerialConnection::Configure(Link& link) const {
  Port& port = link.GetPort();
  std::error_code ec;
  auto setOption = [&](const auto& option) {
    if (!ec) port.set_option(option, ec);
  };
  setOption(Port::baud_rate(static_cast<unsigned int>(baudRate_)));
  setOption(Port::character_size(8));
  setOption(Port::parity(Port::parity::none));
  setOption(Port::stop_bits(Port::stop_bits::one));
  setOption(Port::flow_control(Port::flow_control::none));
  if (ec) {
    RaiseConnectionError(errors::kSerialOpenFailed,
                         "cannot set " + std::to_string(baudRate_) + " baud 8N1: " + ec.message());
  }
}

void SerialConnection::CloseSession() {
  if (!link_) return;
  link_->session->Close();
  link_.reset();
}

void SerialConnection::Transmit(const std::string& bytes) {
  if (!link_) RaiseConnectionError(errors::kNotConnected, "the connection is not open");
  link_->session->Send(bytes);
}

}  // namespace pelmora
