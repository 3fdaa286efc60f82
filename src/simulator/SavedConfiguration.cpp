#include "pelmora/simulator/SavedConfiguration.h"

#include <utility>

namespace pelmora {

SavedConfiguration::SavedConfiguration(ShellSettings settings) : settings_(std::move(settings)) {}

ShellSettings SavedConfiguration::Load() const {
  std::lock_guard lock(mutex_);
  return settings_;
}

void SavedConfiguration::Store(const ShellSettings& settings) {
  std::lock_guard lock(mutex_);
  settings_ = settings;
}

}  // namespace pelmora
