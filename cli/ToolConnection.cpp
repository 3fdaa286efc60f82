#include "ToolConnection.h"

#include <utility>

namespace pelmora::cli {

ToolConnection::ToolConnection(std::shared_ptr<Connection> target,
                               std::shared_ptr<Transcript> transcript)
    : target_(std::move(target)), transcript_(std::move(transcript)) {
  receiveSubscription_ = target_->OnReceive.Subscribe([this] { OnTargetReceive(); });
}

ToolConnection::~ToolConnection() {
  receiveSubscription_.Reset();
  if (SessionActive()) {
    MarkSessionEnded();
    target_->Teardown();
  }
}

void ToolConnection::Poll() {
  if (pollHook_) pollHook_();
  target_->Poll();
}

void ToolConnection::OpenSession() {
  if (transcript_) transcript_->Note("open " + target_->Endpoint());
  target_->SetIsOpen(true);
}

void ToolConnection::CloseSession() {
  target_->Teardown();
  if (transcript_) transcript_->Note("close " + target_->Endpoint());
}

void ToolConnection::Transmit(const std::string& bytes) {
  if (!target_->SessionActive()) {
    if (transcript_) transcript_->Note("reopen " + target_->Endpoint());
    target_->SetIsOpen(true);
  }
  if (transcript_) transcript_->Sent(bytes);
  sentAnything_ = true;
  target_->SendText(bytes, nullptr);
}

void ToolConnection::OnTargetReceive() {
  const std::string bytes = target_->ReadText();
  if (transcript_) transcript_->Received(bytes);
  Deliver(bytes);
}

}  // namespace pelmora::cli
