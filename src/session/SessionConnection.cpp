#include "pelmora/session/SessionConnection.h"

#include <utility>

#include "pelmora/platform/CancelToken.h"
#include "pelmora/platform/ErrorNumbers.h"

namespace pelmora {

SessionConnection::SessionConnection(std::shared_ptr<Connection> target,
                                     std::shared_ptr<Transcript> transcript)
    : target_(std::move(target)), transcript_(std::move(transcript)) {
  receiveSubscription_ = target_->OnReceive.Subscribe([this] { OnTargetReceive(); });
}

SessionConnection::~SessionConnection() {
  receiveSubscription_.Reset();
  if (SessionActive()) {
    MarkSessionEnded();
    target_->Teardown();
  }
}

bool SessionConnection::CancelPending() const {
  return Cancellation() && Cancellation()->Requested();
}

// A cancel that came while the command slept woke this pump; the abort makes the command's
// next pass end with error 113.
void SessionConnection::Poll() {
  if (CancelPending() && abort_) abort_();
  target_->Poll();
}

void SessionConnection::OpenSession() {
  if (Cancellation()) Cancellation()->ThrowIfRequested("Connection");
  OpenTarget("open ");
}

void SessionConnection::OpenTarget(const char* note) {
  if (transcript_) transcript_->Note(note + target_->Endpoint());
  target_->SetCancelToken(Cancellation());
  target_->OpenWithin(OpenTimeLimit());
  ++physicalSessions_;
}

void SessionConnection::CloseSession() {
  target_->Teardown();
  if (transcript_) transcript_->Note("close " + target_->Endpoint());
}

// Nothing goes out once the session is cancelled: a command started after the cancel ends
// before its line is sent.
void SessionConnection::Transmit(const std::string& bytes) {
  if (Cancellation()) Cancellation()->ThrowIfRequested("Connection");
  if (!target_->SessionActive()) {
    if (!allowReopen_) {
      RaiseConnectionError(errors::kConnectionClosedByDevice, "the device ended the session");
    }
    OpenTarget("reopen ");
  }
  if (transcript_) transcript_->Sent(bytes);
  sentAnything_ = true;
  target_->SendText(bytes, nullptr);
}

void SessionConnection::OnTargetReceive() {
  const std::string bytes = target_->ReadText();
  if (transcript_) transcript_->Received(bytes);
  Deliver(bytes);
}

}  // namespace pelmora
