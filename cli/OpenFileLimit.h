#pragma once

namespace pelmora::cli {

// The process's limit of open files. Many sessions or servers at once need more descriptors
// than the usual soft limit of 1024: every session holds a socket, every worker's event loop a
// few descriptors of its own, every simulated server a listener and a wake-up pipe.
class OpenFileLimit {
 public:
  // Raises the soft limit to the hard one, as far as the system allows; failures change nothing.
  static void RaiseToMaximum() noexcept;
};

}  // namespace pelmora::cli
