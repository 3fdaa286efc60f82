#pragma once

#include <cstddef>

namespace pelmora::cli {

// The process's limit of open files. Many sessions or servers at once need more descriptors
// than the usual soft limit of 1024: every session holds a socket, every worker's event loop a
// few descriptors of its own, every simulated server a listener.
class OpenFileLimit {
 public:
  // Raises the soft limit to the hard one, as far as the system allows; failures change nothing.
  static void RaiseToMaximum() noexcept;
  // The soft limit now.
  static std::size_t Current() noexcept;
  // How many workers of `filesEach` descriptors fit beside the process's own (at least one).
  static std::size_t WorkersAllowed(std::size_t filesEach) noexcept;
};

}  // namespace pelmora::cli
