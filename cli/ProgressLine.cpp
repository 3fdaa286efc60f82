#include "ProgressLine.h"

#include <algorithm>
#include <cstdio>

namespace pelmora::cli {

ProgressLine::ProgressLine(bool enabled, std::int32_t timeLimitMs)
    : enabled_(enabled), timeLimitMs_(timeLimitMs) {}

void ProgressLine::Begin() {
  start_ = std::chrono::steady_clock::now();
  lastDraw_ = start_;
}

void ProgressLine::Show(const Progress& progress, bool waiting) {
  if (!enabled_) return;
  const auto now = std::chrono::steady_clock::now();
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(now - start_);
  if (elapsed < kShowAfter || (drawn_ && now - lastDraw_ < kRedrawEvery)) return;
  lastDraw_ = now;
  drawn_ = true;
  std::fprintf(stderr, "\r%s\033[K", Render(progress, waiting, elapsed).c_str());
  std::fflush(stderr);
}

void ProgressLine::Clear() {
  if (!drawn_) return;
  drawn_ = false;
  std::fputs("\r\033[K", stderr);
  std::fflush(stderr);
}

std::string ProgressLine::Render(const Progress& progress, bool waiting,
                                 std::chrono::milliseconds elapsed) const {
  const auto& steps = progress.Steps();
  const int count = static_cast<int>(steps.size());
  // Sending is over once the wait has begun, even where the connection does not say so.
  int step = std::max<int>(progress.CurrentStep(), waiting ? 2 : 1);
  step = std::min(step, std::max(count, 1));
  const std::string caption = count > 0 ? steps[static_cast<std::size_t>(step - 1)].caption : "";

  const double used = timeLimitMs_ > 0 ? static_cast<double>(elapsed.count()) / timeLimitMs_ : 0.0;
  const int filled = static_cast<int>(std::clamp(used, 0.0, 1.0) * kBarWidth);
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.1f s", static_cast<double>(elapsed.count()) / 1000.0);

  // Appended piece by piece: GCC 12 at -O3 reports a false -Wrestrict inside libstdc++ for a
  // literal added in front of a temporary string.
  std::string line = "[";
  line.append(std::to_string(step)).append("/").append(std::to_string(std::max(count, 1)));
  line.append("] ").append(caption).append(" [");
  line.append(static_cast<std::size_t>(filled), '#');
  line.append(static_cast<std::size_t>(kBarWidth - filled), ' ');
  return line.append("] ").append(seconds);
}

}  // namespace pelmora::cli
