#include "pelmora/frame/LiveObjects.h"

#include <atomic>

namespace pelmora {
namespace {

std::atomic<std::int64_t> liveObjects{0};
std::atomic<std::int64_t> serverLocks{0};

}  // namespace

std::int64_t LiveObjects::ObjectCount() noexcept {
  return liveObjects.load();
}

void LiveObjects::Lock() noexcept {
  ++serverLocks;
}

void LiveObjects::Unlock() noexcept {
  auto current = serverLocks.load();
  while (current > 0 && !serverLocks.compare_exchange_weak(current, current - 1)) {
  }
}

bool LiveObjects::NoneInUse() noexcept {
  return liveObjects.load() == 0 && serverLocks.load() == 0;
}

void LiveObjects::ObjectCreated() noexcept {
  ++liveObjects;
}

void LiveObjects::ObjectDestroyed() noexcept {
  --liveObjects;
}

}  // namespace pelmora
