#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "ConsoleProgress.h"
#include "ToolConnection.h"
#include "ToolDevice.h"
#include "Transcript.h"
#include "pelmora/components/Connection.h"

namespace pelmora::cli {

// One device object on one target for the life of a run of the tool: the device, its
// connection wrapped for the transcript and the interrupt, the progress display and the time
// limit. Its end tears the device down, which closes the session cleanly.
class DeviceSession {
 public:
  struct Options {
    std::optional<std::int32_t> timeoutMs;
    std::shared_ptr<Transcript> transcript;  // may be empty
    bool drawProgress = false;
  };

  DeviceSession(std::shared_ptr<Connection> target, const Options& options);
  ~DeviceSession();
  DeviceSession(const DeviceSession&) = delete;
  DeviceSession& operator=(const DeviceSession&) = delete;

  ToolDevice& Device() noexcept { return *device_; }
  const std::shared_ptr<ConsoleProgress>& Progress() const noexcept { return progress_; }
  bool SentAnything() const noexcept { return connection_->SentAnything(); }

  // Logs in (the device does nothing when its shell is not read-only); the password never
  // reaches the transcript.
  void Login(const std::string& password);
  // Hides a value from the transcript, for secrets that a command is about to send.
  void HideFromTranscript(const std::string& secret);

 private:
  std::shared_ptr<Transcript> transcript_;
  std::shared_ptr<ConsoleProgress> progress_;
  std::shared_ptr<ToolConnection> connection_;
  std::shared_ptr<ToolDevice> device_;
};

}  // namespace pelmora::cli
