#pragma once

#include <memory>
#include <string>

#include "ConsoleProgress.h"
#include "pelmora/session/Session.h"

namespace pelmora::cli {

// The library's session as one run of the tool uses it: the session and the progress display
// that its commands draw. Its end tears the device down, which closes the session cleanly.
class DeviceSession {
 public:
  DeviceSession(Target target, Session::Options options, bool drawProgress);

  Session& Underlying() noexcept { return session_; }
  SessionDevice& Device() noexcept { return session_.Device(); }
  const std::shared_ptr<ConsoleProgress>& Progress() const noexcept { return progress_; }
  bool SentAnything() const noexcept { return session_.SentAnything(); }

  void Login(const std::string& password) { session_.Login(password); }
  void HideFromTranscript(const std::string& secret) { session_.HideFromTranscript(secret); }

 private:
  Session session_;
  std::shared_ptr<ConsoleProgress> progress_;
};

}  // namespace pelmora::cli
