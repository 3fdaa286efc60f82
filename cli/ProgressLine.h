#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "pelmora/components/Progress.h"

namespace pelmora::cli {

// One status line on stderr for the shell command that is running: its step, a bar of the time
// limit used so far, and the elapsed time. It appears only for commands that take a while and
// is wiped when the command ends, so quick commands leave the terminal untouched.
class ProgressLine {
 public:
  static constexpr std::chrono::milliseconds kShowAfter{300};
  static constexpr std::chrono::milliseconds kRedrawEvery{100};
  static constexpr int kBarWidth = 20;

  // A disabled line draws nothing (no terminal, or --no-progress).
  ProgressLine(bool enabled, std::int32_t timeLimitMs);

  void SetTimeLimit(std::int32_t milliseconds) noexcept { timeLimitMs_ = milliseconds; }
  void Begin();
  // Redraws when due. `waiting` tells that the command was sent and its answer is awaited.
  void Show(const Progress& progress, bool waiting);
  void Clear();

  // The text of the line, without terminal controls.
  std::string Render(const Progress& progress, bool waiting,
                     std::chrono::milliseconds elapsed) const;

 private:
  bool enabled_;
  std::int32_t timeLimitMs_;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point lastDraw_;
  bool drawn_ = false;
};

}  // namespace pelmora::cli
