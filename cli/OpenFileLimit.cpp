#include "OpenFileLimit.h"

#include <sys/resource.h>

#include <limits>

namespace pelmora::cli {

void OpenFileLimit::RaiseToMaximum() noexcept {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == limit.rlim_max) return;
  limit.rlim_cur = limit.rlim_max;
  setrlimit(RLIMIT_NOFILE, &limit);
}

std::size_t OpenFileLimit::Current() noexcept {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) {
    return std::numeric_limits<std::size_t>::max();
  }
  return static_cast<std::size_t>(limit.rlim_cur);
}

std::size_t OpenFileLimit::WorkersAllowed(std::size_t filesEach) noexcept {
  // Standard streams, the main loop, the inventory and what the libraries keep open.
  constexpr std::size_t kProcessFiles = 32;
  const std::size_t limit = Current();
  if (limit <= kProcessFiles + filesEach) return 1;
  return (limit - kProcessFiles) / filesEach;
}

}  // namespace pelmora::cli
