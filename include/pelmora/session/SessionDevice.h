#pragma once

#include <memory>
#include <string>

#include "pelmora/components/Progress.h"
#include "pelmora/device/PelmoraT2.h"

namespace pelmora {

// The device object of a session: every command line that a setting or a report sends carries
// the session's progress object (when it has one), so that a front end can draw those commands.
class SessionDevice : public PelmoraT2 {
 public:
  void SetProgress(std::shared_ptr<pelmora::Progress> progress) { progress_ = std::move(progress); }
  const std::shared_ptr<pelmora::Progress>& Progress() const noexcept { return progress_; }

 private:
  std::string RunCommand(const std::string& line) override { return Command(line, progress_); }

  std::shared_ptr<pelmora::Progress> progress_;
};

}  // namespace pelmora
