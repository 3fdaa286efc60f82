#include "ProbeCancels.h"

namespace pelmora::cli {

std::unique_ptr<ProbeCancels::Registration> ProbeCancels::Add(
    const std::shared_ptr<PelmoraT2>& device) {
  const std::lock_guard lock(mutex_);
  const Entry entry{Apartment::Shared(), device};
  if (cancelled_) Abort(entry);
  entries_.emplace(nextId_, entry);
  return std::make_unique<Registration>(*this, nextId_++);
}

void ProbeCancels::CancelAll() {
  const std::lock_guard lock(mutex_);
  cancelled_ = true;
  for (const auto& [id, entry] : entries_) Abort(entry);
}

// The abort runs on the probe's own thread, inside the wait of its command: a command that has
// not begun yet is aborted at its first wait, because the posted work waits for that pump.
void ProbeCancels::Abort(const Entry& entry) {
  entry.apartment->Post([device = entry.device] {
    if (const auto held = device.lock()) held->AbortCommand();
  });
}

void ProbeCancels::Remove(std::uint64_t id) {
  const std::lock_guard lock(mutex_);
  entries_.erase(id);
}

}  // namespace pelmora::cli
