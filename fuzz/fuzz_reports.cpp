// Any screen text into the three report parsers: the IP and wireless reports straight from the
// text and all three through the retrieval procedure, as a device's answer on a command road.
// A parse ends in its documented error or in a report that renders.
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "pelmora/platform/ErrorNumbers.h"
#include "pelmora/protocol/CommandRoad.h"
#include "pelmora/reports/IPInfo.h"
#include "pelmora/reports/ReportRetrieval.h"
#include "pelmora/reports/VersionInfo.h"
#include "pelmora/reports/WirelessInfo.h"

namespace {

using namespace pelmora;

// Answers the wake-up line with nothing and every screen command with the same text.
class ScreenRoad : public CommandRoad {
 public:
  explicit ScreenRoad(std::string screen) : screen_(std::move(screen)) {}
  std::string RunCommand(const std::string& line) override {
    fuzz::Require(!line.empty() && line.back() == '\r', "a screen command without its CR");
    return line == "\r" ? std::string{} : screen_;
  }

 private:
  std::string screen_;
};

void ParseIp(const std::string& text) {
  IPInfo report;
  try {
    report.Parse(text);
  } catch (const AutomationError& error) {
    fuzz::RequireNumber(error, {errors::kInvalidArgument}, "IPInfo.Parse");
    return;
  }
  report.ToString();
}

void ParseWireless(const std::string& text) {
  WirelessInfo report;
  try {
    report.Parse(text);
  } catch (const AutomationError& error) {
    fuzz::RequireNumber(error, {errors::kInvalidArgument}, "WirelessInfo.Parse");
    // A failed parse leaves the object unparsed: its values refuse to be read.
    try {
      report.ToString();
      fuzz::Fail("an unparsed wireless report rendered");
    } catch (const AutomationError& refusal) {
      fuzz::RequireNumber(refusal, {errors::kLibraryError}, "WirelessInfo.ToString");
    }
    return;
  }
  report.ToString();
}

void Retrieve(const std::string& screen) {
  ScreenRoad road(screen);
  try {
    ReportRetrieval::GetVersion(road)->ToString();
  } catch (const AutomationError& error) {
    fuzz::RequireNumber(error, {errors::kSubscriptOutOfRange}, "GetVersion");
  }
  try {
    ReportRetrieval::GetIPInfo(road)->ToString();
  } catch (const AutomationError& error) {
    fuzz::RequireNumber(error, {errors::kInvalidArgument}, "GetIPInfo");
  }
  try {
    ReportRetrieval::GetWirelessInfo(road)->ToString();
  } catch (const AutomationError& error) {
    fuzz::RequireNumber(error, {errors::kInvalidArgument}, "GetWirelessInfo");
  }
  // A normalised screen has CR as its only line break.
  fuzz::Require(ReportRetrieval::NormalizeScreen(screen).find('\n') == std::string::npos,
                "a normalised screen kept a line feed");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  ParseIp(text);
  ParseWireless(text);
  Retrieve(text);
  return 0;
}
