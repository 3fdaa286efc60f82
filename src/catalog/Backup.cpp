#include "pelmora/catalog/Backup.h"

#include <toml++/toml.h>
#include <ctime>
#include <nlohmann/json.hpp>
#include <sstream>

#include "pelmora/catalog/SettingsCatalog.h"
#include "pelmora/catalog/Utf8Text.h"

namespace pelmora {

namespace {

// A TOML basic string on one line, written by the TOML library so that every quote, backslash
// and control character is escaped as a reader expects.
std::string TomlString(std::string_view text) {
  std::ostringstream quoted;
  quoted << toml::toml_formatter{toml::value<std::string>{std::string(text)},
                                 toml::format_flags::allow_unicode_strings};
  return quoted.str();
}

std::string TomlValue(const SettingValue& value) {
  if (value.word) return TomlString(*value.word);
  if (value.IsText()) return TomlString(Utf8Text::FromBytes(value.AsText()));
  return std::to_string(value.AsNumber());
}

std::string UtcStamp(std::chrono::system_clock::time_point when) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return stamp;
}

// Why a value read from the device may not stand in a profile: a read-only setting, or a value
// that apply would refuse (a state the setter cannot reach, a number the getter gave as 0).
std::optional<std::string> NotApplicable(const Backup::Entry& entry) {
  if (!entry.setting->CanSet()) return "read-only";
  if (entry.value->Unrecognized()) return "the device's answer was not recognized";
  return entry.setting->Refusal(*entry.value);
}

}  // namespace

Backup Backup::Read(PelmoraT2& device) {
  Backup backup;
  for (const auto& setting : SettingsCatalog::All()) {
    if (!setting.IsBackedUp()) continue;
    try {
      backup.entries_.push_back({&setting, setting.Get(device), std::nullopt});
    } catch (const AutomationError& error) {
      if (SettingsCatalog::EndsTheSession(error)) throw;
      backup.entries_.push_back({&setting, std::nullopt, error});
    }
  }
  return backup;
}

bool Backup::Complete() const noexcept {
  for (const auto& entry : entries_) {
    if (entry.error) return false;
  }
  return true;
}

std::string Backup::Toml(std::string_view target,
                         std::chrono::system_clock::time_point when) const {
  std::string text =
      "# pelmora backup of " + std::string(target) + " at " + UtcStamp(when) +
      "\n# Secrets (password, psk, wep-key, root-key) are never written; add them as\n"
      "# psk = { env = \"NAME\" } or psk = { file = \"PATH\" }.\n";
  for (const auto& entry : entries_) {
    const std::string name(entry.setting->name);
    if (entry.error) {
      // The error's text comes from the device: as characters, on one line.
      text += "# " + name + ": not read: error " + std::to_string(entry.error->Number()) + " (" +
              Utf8Text::Printable(entry.error->Source() + "): " + entry.error->Description()) +
              "\n";
    } else if (const auto reason = NotApplicable(entry)) {
      text += "# " + name + " = " + TomlValue(*entry.value) + "  (" + *reason + ")\n";
    } else {
      text += name + " = " + TomlValue(*entry.value) + "\n";
    }
  }
  return text;
}

std::size_t Backup::Settings() const {
  std::size_t written = 0;
  for (const auto& entry : entries_) {
    if (!entry.error && !NotApplicable(entry)) ++written;
  }
  return written;
}

std::string Backup::Json() const {
  nlohmann::ordered_json profile = nlohmann::ordered_json::object();
  for (const auto& entry : entries_) {
    if (entry.error || NotApplicable(entry)) continue;
    const SettingValue& value = *entry.value;
    const std::string name(entry.setting->name);
    if (value.word) {
      profile[name] = *value.word;
    } else if (value.IsText()) {
      profile[name] = Utf8Text::FromBytes(value.AsText());
    } else {
      profile[name] = value.AsNumber();
    }
  }
  return profile.dump(2);
}

}  // namespace pelmora
