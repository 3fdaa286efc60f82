#pragma once

#include <string_view>

#include "pelmora/simulator/PrintServerState.h"
#include "pelmora/simulator/ShellReply.h"

namespace pelmora {

// The print server's command table: SH, SET, SAVE, INI, unpro and exit.
//
// Command words compare without regard to letter case and the whole command must match, so
// "SH NW" is not "SH NW STATS" and "SET NW CERTCN" is not "SET NW CERTCN2". A setter's value is
// the rest of the line behind the command words and one separating blank, taken verbatim for
// free text (SSID, names, realm, PSK) and with surrounding blanks ignored for words, numbers,
// keys and addresses. A protected session may only look (SH, unpro, exit); any change is refused.
class ShellCommandSet {
 public:
  // Runs one non-empty line of an open session. Effects on the session (password dialogue,
  // end, restart) are reported in the reply; the settings effects (SET, SAVE, INI restoring the
  // saved configuration) are applied to `state` here.
  static ShellReply Run(PrintServerState& state, std::string_view line, bool readOnly);
};

}  // namespace pelmora
