#pragma once

#include <cstdint>

namespace pelmora {

// The enumerations of the settings and reports. Their values travel as plain 32-bit integers:
// callers may pass any integer, and getters return 0 where an answer is not recognised.

enum WiFiMode : std::int32_t { WiFiModeUnrecognized = 0, Infrastructure = 1, AdHoc = 2 };

enum APDensity : std::int32_t { APDensityUnrecognized = 0, Low = 1, Medium = 2, High = 3 };

enum WiFiChannel : std::int32_t {
  Channel1 = 1,
  Channel2,
  Channel3,
  Channel4,
  Channel5,
  Channel6,
  Channel7,
  Channel8,
  Channel9,
  Channel10,
  Channel11
};

enum WiFiEncryption : std::int32_t {
  Disabled = 0,
  DynamicWep = 1,
  Tkip = 2,
  Wpa2 = 4,
  Wep64 = 64,
  Wep128 = 128
};

// Bit flags: a device may report a combination.
enum AuthenticationType : std::int32_t {
  OpenSystem = 2,
  SharedKey = 4,
  Ttls = 8,
  Leap = 16,
  Psk = 32,
  Peap = 64
};

enum AuthProtocol : std::int32_t { AuthProtocolUnrecognized = 0, Pap = 1, MsChapV2 = 2 };

enum WepKeyNumber : std::int32_t { WepKeyUnrecognized = 0, Key1 = 1, Key2 = 2, Key3 = 3, Key4 = 4 };

// 0 is no member: the default, and the device's "(searching...)" annotation in the IP report.
enum IPAssignmentMethod : std::int32_t { Static = 1, Dhcp = 2, Bootp = 3, Rarp = 4, Auto = 5 };

enum EAPStateCode : std::int32_t {
  EAPStateUnrecognized = 0,
  EAPStateEmpty = 1,
  Connecting = 2,
  Authenticated = 3
};

}  // namespace pelmora
