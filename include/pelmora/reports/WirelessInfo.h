#pragma once

#include <array>
#include <string>

#include "pelmora/device/Enumerations.h"

namespace pelmora {

// The print server's wireless status screen. Keys are matched with regard to case. The values
// are read-only and, the EAP state excepted, refuse to be read (error 9999) until a parse has
// succeeded; a failed parse makes the object unparsed again.
class WirelessInfo {
 public:
  // Sets the fields from screen text whose lines are separated by CR. Fields are not cleared
  // first: key flags only go from False to True, and the encryption and EAP state keep their
  // values when the screen gives nothing recognised. Any error leaves the object unparsed.
  void Parse(const std::string& data);

  bool WepKey1Set() const;
  bool WepKey2Set() const;
  bool WepKey3Set() const;
  bool WepKey4Set() const;
  const std::string& RegulatoryDomain() const;
  const std::string& APMacAddress() const;
  const std::string& WiFiFWVersion() const;
  WiFiEncryption WepEncryption() const;
  EAPStateCode EAPState() const noexcept { return eapState_; }

  // The values without the EAP state, each line ending in CR LF; fails like the properties.
  std::string ToString() const;

 private:
  void ParseFields(const std::string& data);
  void ParseEncryption(const std::string& data);
  void ParseWepKeys(const std::string& data);
  void ParseEAPState(const std::string& data);
  void RequireParsed(const char* property) const;

  std::array<bool, 4> wepKeySet_{};
  std::string regulatoryDomain_;
  std::string apMacAddress_;
  std::string wifiFWVersion_;
  bool parsed_ = false;
  WiFiEncryption wepEncryption_ = Disabled;
  EAPStateCode eapState_ = EAPStateUnrecognized;
};

}  // namespace pelmora
