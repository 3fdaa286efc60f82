#pragma once

#include <mutex>

#include "pelmora/simulator/ShellSettings.h"

namespace pelmora {

// The print server's non-volatile configuration. Every session of one simulated device works on
// its own running settings but shares this store, possibly from different threads, so each access
// is locked and hands out a copy.
class SavedConfiguration {
 public:
  SavedConfiguration() = default;
  explicit SavedConfiguration(ShellSettings settings);
  SavedConfiguration(const SavedConfiguration&) = delete;
  SavedConfiguration& operator=(const SavedConfiguration&) = delete;

  ShellSettings Load() const;
  void Store(const ShellSettings& settings);

 private:
  mutable std::mutex mutex_;
  ShellSettings settings_;
};

}  // namespace pelmora
