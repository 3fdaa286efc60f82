#include "DeviceSession.h"

#include <utility>

#include "pelmora/device/DeviceInternals.h"

namespace pelmora::cli {

DeviceSession::DeviceSession(Target target, Session::Options options, bool drawProgress)
    : session_(std::move(target), std::move(options)) {
  const auto limit = DeviceInternals::Handler(session_.Device())->DefaultTimeout();
  progress_ =
      std::make_shared<ConsoleProgress>(std::make_shared<ProgressLine>(drawProgress, limit));
  session_.Device().SetProgress(progress_);
}

}  // namespace pelmora::cli
