#pragma once

#include <memory>
#include <string>

#include "pelmora/protocol/CommandRoad.h"
#include "pelmora/reports/IPInfo.h"
#include "pelmora/reports/VersionInfo.h"
#include "pelmora/reports/WirelessInfo.h"

namespace pelmora {

// Reads a status screen from the print server and parses it into a new report object:
// a bare CR to wake the shell, then the screen's command; the answer is brought into one
// line-break form before the report sees it. Every call returns an object of its own.
class ReportRetrieval {
 public:
  static std::shared_ptr<VersionInfo> GetVersion(CommandRoad& road);        // "SH VERSION"
  static std::shared_ptr<IPInfo> GetIPInfo(CommandRoad& road);              // "SH IP"
  static std::shared_ptr<WirelessInfo> GetWirelessInfo(CommandRoad& road);  // "SH NW"

  // Every LF becomes CR and runs of CR collapse to one, so empty lines vanish; then every line
  // but the last loses its surrounding blanks. The last line is left as it is, trailing blanks
  // included, and a blank-only line earlier on becomes an empty line that still counts.
  static std::string NormalizeScreen(const std::string& answer);

 private:
  static std::string ReadScreen(CommandRoad& road, const std::string& command);
};

}  // namespace pelmora
