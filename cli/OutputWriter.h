#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "pelmora/catalog/Plan.h"
#include "pelmora/catalog/ProfileProblem.h"
#include "pelmora/catalog/Setting.h"
#include "pelmora/platform/AutomationError.h"
#include "pelmora/reports/IPInfo.h"
#include "pelmora/reports/VersionInfo.h"
#include "pelmora/reports/WirelessInfo.h"

namespace pelmora::cli {

// Everything the tool prints as the result of a command, in text or as one JSON document.
//
// Text: a value alone on its line (an enumerated value as its word), reports with plain line
// feeds, "name: value" lines for get all, and errors on stderr as
// "error NUMBER (SOURCE): DESCRIPTION". JSON goes to stdout, errors included. Secrets of a plan
// are never printed.
class OutputWriter {
 public:
  // The outcome of reading one setting: its value or the error its getter ended in.
  struct Reading {
    const Setting* setting;
    std::optional<SettingValue> value;
    std::optional<AutomationError> error;
  };

  OutputWriter(bool json, std::ostream& out, std::ostream& err);

  void Value(const Setting& setting, const SettingValue& value);
  void AllValues(const std::vector<Reading>& readings);
  void Ok();
  void Reply(const std::string& reply);
  void ReadOnly(bool readOnly);
  void Version(const VersionInfo& info);
  void IP(const IPInfo& info);
  void Wireless(const WirelessInfo& info);
  void Settings(const std::vector<Setting>& settings);
  // A plan (diff, apply --dry-run) or its outcome (apply): one line per setting,
  // "NAME: FROM -> TO (ACTION)" and, once applied, ": RESULT"; a failed step adds its error.
  void Changes(const Plan& plan, bool applied);
  // A profile that backup wrote to stdout, as it is.
  void Document(const std::string& text);
  // The problems of a profile, "FILE:LINE:COLUMN: what", on stderr.
  void Problems(const std::vector<ProfileProblem>& problems);
  void Error(const AutomationError& error);
  // The error that stopped a command whose document has no place for it (a failed save of
  // apply): its line on stderr, in either output.
  void Failure(const AutomationError& error);
  // backup FILE --json: {"file": PATH, "settings": N}, N the settings written.
  void BackupWritten(const std::string& path, std::size_t settings);
  // A setting that could not be read, on stderr in either output: "name: error ...".
  void SettingError(const Setting& setting, const AutomationError& error);

  // "error NUMBER (SOURCE): DESCRIPTION", the device's text as characters on one line.
  static std::string ErrorLine(const AutomationError& error);
  // The device's CR LF (or lone CR) line ends as plain line feeds, its bytes as characters and
  // its other control characters escaped.
  static std::string PlainLineFeeds(const std::string& text);

 private:
  void Report(const std::string& text);

  bool json_;
  std::ostream& out_;
  std::ostream& err_;
};

}  // namespace pelmora::cli
