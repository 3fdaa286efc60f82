#include "pelmora/components/Connection.h"

#include "pelmora/platform/Apartment.h"
#include "pelmora/platform/ErrorNumbers.h"

namespace pelmora {

Connection::Connection() : apartment_(Apartment::Shared()) {}

Connection::~Connection() = default;

ByteArray Connection::ReadBytes() {
  ByteArray bytes = TextBytes::ToBytes(pending_);
  pending_.clear();
  return bytes;
}

std::string Connection::ReadText() {
  std::string text;
  text.swap(pending_);
  return text;
}

void Connection::Poll() {
  auto raisePendingFailure = [this] {
    if (!failure_ || !isOpen_) return;
    AutomationError error = *failure_;
    failure_.reset();
    throw error;
  };
  raisePendingFailure();
  Apartment::Current().Pump();
  raisePendingFailure();
}

void Connection::SetIsOpen(bool open) {
  if (open && !sessionActive_) {
    failure_.reset();
    OpenSession();
    sessionActive_ = true;
  }
  isOpen_ = open;
}

// A zero limit leaves the transport's own connect limit alone.
void Connection::OpenWithin(std::chrono::milliseconds limit) {
  openTimeLimit_ = limit;
  try {
    SetIsOpen(true);
  } catch (...) {
    openTimeLimit_ = std::chrono::milliseconds(0);
    throw;
  }
  openTimeLimit_ = std::chrono::milliseconds(0);
}

void Connection::SendText(const std::string& text, const std::shared_ptr<Progress>& /*progress*/) {
  if (!sessionActive_) {
    if (failure_) throw *failure_;
    RaiseConnectionError(errors::kNotConnected, "the connection is not open");
  }
  Transmit(text);
}

void Connection::Teardown() {
  if (!sessionActive_) return;
  sessionActive_ = false;
  isOpen_ = false;
  CloseSession();
}

void Connection::Deliver(const std::uint8_t* data, std::size_t size) {
  Deliver(std::string_view(reinterpret_cast<const char*>(data), size));
}

void Connection::Deliver(std::string_view bytes) {
  if (bytes.empty()) return;
  pending_.append(bytes);
  if (pending_.size() > kMaxPending) pending_.erase(0, pending_.size() - kMaxPending);
  OnReceive.Raise();
}

void Connection::SessionLost(const AutomationError& reason) {
  if (!sessionActive_) return;
  sessionActive_ = false;
  failure_ = reason;
  CloseSession();
}

void Connection::RaiseConnectionError(std::int32_t number, const std::string& reason) const {
  throw AutomationError(number, "Connection", Endpoint() + ": " + reason);
}

}  // namespace pelmora
