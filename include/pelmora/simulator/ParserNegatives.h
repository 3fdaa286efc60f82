#pragma once

#include <vector>

#include "pelmora/simulator/PrintServerState.h"
#include "pelmora/simulator/ShellFaults.h"

namespace pelmora {

// Plausible device answers that the library's readers cannot take, as answer overrides
// (command line -> answer lines). Each is built from the device's current state, so that only
// its one flaw sets it apart from what the shell itself prints.
class ParserNegatives {
 public:
  enum class Case {
    ShortVersionScreen,          // SH VERSION with two lines
    IpScreenWithoutSubnetMask,   // SH IP lacking its "Subnet Mask" line
    IpScreenEndingInBootMethod,  // SH IP whose last line is "Boot Method ..."
    Wep64ScreenWithoutKey3,      // SH NW with 64-bit WEP and no "WEP Key #3:" line
    AuthenticationInLowerCase,   // SH NW AUTH in lower case
    IpMethodInLowerCase,         // SH IP ME in lower case
    LabelledIpAddress,           // SH IP AD with a label before the address
    RtsOff,                      // SH NW RTS reading "off"
    Channel13,                   // SH NW CH outside the channels 1 to 11
    TwoLineMode,                 // SH NW MO followed by a second line
    EmptyExponent,               // SH NW CERTEXP with nothing to read
  };

  static std::vector<Case> All();
  static ShellFaults::AnswerOverrides::value_type Make(Case which, const PrintServerState& device);
  // Makes the device's shell answer with the case from now on (replacing an earlier override of
  // the same line).
  static void Apply(Case which, const PrintServerState& device, ShellFaults& faults);
};

}  // namespace pelmora
