#include "pelmora/session/Session.h"

#include <chrono>
#include <utility>

#include "pelmora/device/DeviceInternals.h"
#include "pelmora/frame/Global.h"
#include "pelmora/platform/ErrorNumbers.h"
#include "pelmora/transport/SerialConnection.h"
#include "pelmora/transport/TelnetConnection.h"

namespace pelmora {

Session::Session(Target target, Options options)
    : target_(std::move(target)),
      transcript_(std::move(options.transcript)),
      cancel_(options.cancel ? std::move(options.cancel) : std::make_shared<CancelToken>()) {
  target_.Check();
  if (target_.password) password_ = target_.password->Resolve();
  connection_ = std::make_shared<SessionConnection>(OpenTarget(), transcript_);
  connection_->SetCancelToken(cancel_);
  connection_->AllowReopen(options.allowReopen);
  device_ = std::make_shared<SessionDevice>();
  DeviceInternals::AttachConnection(*device_, connection_);
  const auto handler = DeviceInternals::Handler(*device_);
  if (target_.timeoutMs) handler->SetDefaultTimeout(*target_.timeoutMs);
  if (target_.framingDelayMs) device_->SetFramingDelay(*target_.framingDelayMs);
  connection_->SetAbort([device = std::weak_ptr<SessionDevice>(device_)] {
    if (const auto held = device.lock()) held->AbortCommand();
  });
}

Session::~Session() {
  try {
    Close();
  } catch (...) {  // NOLINT(bugprone-empty-catch): a destructor has nobody to tell
  }
}

std::shared_ptr<Connection> Session::OpenTarget() {
  switch (target_.kind) {
    case Target::Kind::Host:
      return std::make_shared<TelnetConnection>(target_.host, target_.port);
    case Target::Kind::Serial:
      return std::make_shared<SerialConnection>(target_.device, target_.baud);
    case Target::Kind::Sim:
      break;
  }
  embedded_ = std::make_unique<EmbeddedPrintServer>();
  return embedded_->Connection();
}

void Session::Open() {
  const auto limit = DeviceInternals::Handler(*device_)->DefaultTimeout();
  connection_->OpenWithin(std::chrono::milliseconds(limit));
  connection_->SetIsOpen(false);
}

void Session::Login() {
  if (target_.password) Login(password_);
}

void Session::Login(const std::string& password) {
  HideFromTranscript(password);
  device_->Login(password);
  // Asked anew: the answer to the password itself is not framed by a prompt the handler reads.
  if (device_->IsReadOnlyMode()) {
    throw AutomationError(errors::kLibraryError, "Login",
                          "the password was not accepted: the shell is still read-only");
  }
}

void Session::HideFromTranscript(const std::string& secret) {
  if (transcript_) transcript_->AddSecret(secret);
}

void Session::Close() {
  if (device_) Global::TeardownPrinterObj(device_);
}

}  // namespace pelmora
