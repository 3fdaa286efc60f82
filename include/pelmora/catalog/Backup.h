#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "pelmora/catalog/Setting.h"
#include "pelmora/platform/AutomationError.h"

namespace pelmora {

// Every readable setting of a device, as a profile: the values that apply brings back. Secrets
// are never read nor written.
class Backup {
 public:
  struct Entry {
    const Setting* setting = nullptr;
    std::optional<SettingValue> value;
    std::optional<AutomationError> error;  // its getter failed; the others are still read
  };

  // Reads the settings in catalog order. An error that ends the session (see
  // SettingsCatalog::EndsTheSession) reaches the caller; another getter's error is kept.
  static Backup Read(PelmoraT2& device);

  const std::vector<Entry>& Entries() const noexcept { return entries_; }
  // Every getter succeeded.
  bool Complete() const noexcept;
  // The settings the profile sets (those not left out or commented).
  std::size_t Settings() const;

  // The TOML profile, opened by a comment naming the target and the time:
  //   # pelmora backup of TARGET at 2024-05-02T14:03:11Z
  // A setting that could not be read, or whose answer was not recognized, is left out with a
  // comment saying why. The file is valid UTF-8 whatever the device answered.
  std::string Toml(std::string_view target, std::chrono::system_clock::time_point when) const;
  // The JSON profile of the same shape (JSON has no comments).
  std::string Json() const;

 private:
  std::vector<Entry> entries_;
};

}  // namespace pelmora
