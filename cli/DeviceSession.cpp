#include "DeviceSession.h"

#include <utility>

#include "Interrupt.h"
#include "pelmora/device/DeviceInternals.h"
#include "pelmora/frame/Global.h"

namespace pelmora::cli {

DeviceSession::DeviceSession(std::shared_ptr<Connection> target, const Options& options)
    : transcript_(options.transcript),
      connection_(std::make_shared<ToolConnection>(std::move(target), transcript_)),
      device_(std::make_shared<ToolDevice>()) {
  // Attached the way the factory attaches a connection; the tool's own device class is what
  // lets settings and reports carry the progress object.
  DeviceInternals::AttachConnection(*device_, connection_);
  const auto handler = DeviceInternals::Handler(*device_);
  if (options.timeoutMs) handler->SetDefaultTimeout(*options.timeoutMs);
  progress_ = std::make_shared<ConsoleProgress>(
      std::make_shared<ProgressLine>(options.drawProgress, handler->DefaultTimeout()));
  device_->SetProgress(progress_);
  // The shell dialogues (save, login, ...) run without a progress object inside the library;
  // the poll hook lets an interrupt end them as well.
  connection_->SetPollHook([device = std::weak_ptr<ToolDevice>(device_)] {
    if (!Interrupt::Requested()) return;
    if (const auto held = device.lock()) held->AbortCommand();
  });
}

DeviceSession::~DeviceSession() {
  try {
    Global::TeardownPrinterObj(device_);
  } catch (...) {  // NOLINT(bugprone-empty-catch): the run's outcome is already decided
  }
}

void DeviceSession::Login(const std::string& password) {
  HideFromTranscript(password);
  device_->Login(password);
}

void DeviceSession::HideFromTranscript(const std::string& secret) {
  if (transcript_) transcript_->AddSecret(secret);
}

}  // namespace pelmora::cli
