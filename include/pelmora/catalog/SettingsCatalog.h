#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "pelmora/catalog/Setting.h"
#include "pelmora/platform/AutomationError.h"

namespace pelmora {

// The one table of the print server's settings, in the order in which they are listed, read by
// get all and backup, and applied from a profile: mode, ap-density, ssid, bssid, channel,
// rts-threshold, discarded-messages, encryption, wep-key, active-key, auth-type, auth-protocol,
// common-name, common-name2, exponent, root-key, user, password, realm, psk, ip-method,
// ip-address, subnet-mask, default-router.
class SettingsCatalog {
 public:
  static const std::vector<Setting>& All();
  // The setting of that name (any letter case), or nothing.
  static const Setting* Find(std::string_view name) noexcept;
  // The setting of that name, or CatalogError (UnknownSetting) naming the known ones.
  static const Setting& At(std::string_view name);
  // "mode, ap-density, ...": the names, for messages.
  static std::string Names();

  // Reads a setting by name; CatalogError when it is unknown or set only.
  static SettingValue Get(PelmoraT2& device, std::string_view name);
  // Writes a setting by name from the Unicode texts a command line or Python gives (one value;
  // for wep-key the key number and the value). Every check that a profile's value gets is made
  // before anything is sent (Setting::Checked).
  static void Set(PelmoraT2& device, std::string_view name, const std::vector<std::string>& values);
  // The same checks, made now; the write they allow is made when the result is called.
  using Write = std::function<void(PelmoraT2&)>;
  static Write Bind(std::string_view name, const std::vector<std::string>& values);

  // The key number of a key setting (wep-key), 1 to 4, checked as a setting of its own.
  static Setting KeyNumber(const Setting& keySetting);

  // Errors after which asking the device further is pointless: the session is gone, the device
  // does not answer, or the user cancelled.
  static bool EndsTheSession(const AutomationError& error) noexcept;
};

}  // namespace pelmora
