#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pelmora {

// Why a probe gave no values: the automation error's number and source. Its description stays
// out, because it may quote what the device or the system said.
struct ProbeFailure {
  std::int32_t number = 0;
  std::string source;
};

// A profile setting as the device has it: whether its value differs from the profile's.
struct SettingDrift {
  std::string setting;
  bool differs = false;
};

// What one probe learnt of a print server, as plain values: its three reports and a few
// settings. Texts are as the device sent them, one byte per character. No secret is held.
struct DeviceState {
  double durationSeconds = 0;
  std::optional<ProbeFailure> failure;  // the probe failed: only the failure counts

  std::string product;
  std::string firmware;
  std::string boot;

  std::string wifiFirmware;
  std::string regulatoryDomain;
  std::string apMac;
  std::string ssid;
  std::int32_t channel = 0;
  std::int32_t encryption = 0;  // the WiFiEncryption code
  std::int32_t eapState = 0;    // the EAPStateCode
  std::int64_t undecryptable = 0;
  std::array<bool, 4> wepKeySet{};

  std::string ipAddress;
  std::int32_t ipMethod = 0;  // the IPAssignmentMethod code; 0 while the device searches

  // Against a profile, in catalog order; nothing when no profile was asked for.
  std::optional<std::vector<SettingDrift>> drift;
};

}  // namespace pelmora
