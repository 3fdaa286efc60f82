#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace pelmora {

// One configuration of the print server: the running one that SET changes, and the saved one
// that SAVE writes and INI restores. Enumerated settings hold the shell's own SET words, in
// capitals, so storing them needs no vocabulary besides the one the shell already speaks.
struct ShellSettings {
  std::string mode = "INFRA";
  std::string apDensity = "LOW";
  std::string bssid;  // empty: none
  std::string ssid = "PrintNet";
  std::int32_t channel = 6;
  std::int32_t rtsThreshold = 2347;
  std::string encryption = "DISABLE";
  std::array<std::string, 4> wepKeys;  // empty: slot unset
  std::int32_t activeKey = 1;          // also the slot that SET NW KEYVAL writes
  std::string authentication = "OPEN";
  std::string authProtocol = "PAP";
  std::string commonName;
  std::string commonName2;
  std::int64_t exponent = 65537;
  std::string rootKey;
  std::string user;
  std::string eapPassword;  // SET NW PW: the 802.1X password, not the shell's own
  std::string realm;
  std::string psk;
  std::string ipMethod = "DHCP";
  std::string ipAddress = "10.1.2.3";
  std::string subnetMask = "255.255.255.0";
  std::string router = "10.1.2.1";

  bool operator==(const ShellSettings&) const = default;
};

}  // namespace pelmora
