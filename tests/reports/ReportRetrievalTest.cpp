#include "pelmora/reports/ReportRetrieval.h"

#include <gtest/gtest.h>

#include <functional>

#include "device/FakeRoad.h"
#include "support/ExpectError.h"

namespace pelmora {
namespace {

using testing::CatchError;

// One report per row: the line that asks for it, a way to fetch it, a screen its parse refuses
// and the number and source of the error that parse raises.
struct ReportKind {
  std::string command;
  std::function<void(CommandRoad&)> fetch;
  std::string badScreen, parseError;
};

const std::vector<ReportKind> kReportKinds{
    {"SH VERSION\r", [](CommandRoad& road) { ReportRetrieval::GetVersion(road); }, "T2\r\n6.02",
     "9 VersionInfo.Parse"},
    {"SH IP\r", [](CommandRoad& road) { ReportRetrieval::GetIPInfo(road); },
     "IP Address 10.1.2.3 (via DHCP)\r\nIP Gateway 10.1.2.1", "5 IPInfo.Parse"},
    {"SH NW\r", [](CommandRoad& road) { ReportRetrieval::GetWirelessInfo(road); },
     "WiFi FW Ver = 1.7.4", "5 WirelessInfo.Parse"},
};

TEST(ReportRetrievalTest, WakesTheShellSendsTheCommandAndPassesParseErrorsOn) {
  for (const ReportKind& kind : kReportKinds) {
    FakeRoad road;
    road.answers[kind.command] = kind.badScreen;
    EXPECT_EQ(testing::ErrorOf([&] { kind.fetch(road); }), kind.parseError);
    EXPECT_EQ(road.sent, (std::vector<std::string>{"\r", kind.command}));
  }
}

TEST(ReportRetrievalTest, NormalisingJoinsEveryLineBreakRunAndTrimsEveryLineButTheLast) {
  EXPECT_EQ(ReportRetrieval::NormalizeScreen(" a \r\n\r\n  b\n \r\r\n\n  c  "), "a\rb\r\r  c  ");
  EXPECT_EQ(ReportRetrieval::NormalizeScreen("\n a \n"), "\ra\r");
  EXPECT_EQ(ReportRetrieval::NormalizeScreen("  only  "), "  only  ");

  // Trimming takes the blank of "state is " from an earlier line, and the key is gone with it.
  FakeRoad road;
  road.otherwise = "Regulatory Domain = FCC\r\nEAP state is ";
  EXPECT_EQ(ReportRetrieval::GetWirelessInfo(road)->EAPState(), EAPStateEmpty);
  road.otherwise = "EAP state is \r\nRegulatory Domain = FCC\r\nHost x";
  EXPECT_EQ(ReportRetrieval::GetWirelessInfo(road)->EAPState(), EAPStateUnrecognized);
}

TEST(ReportRetrievalTest, VersionTakesTheFirstThreeLinesAndNeedsAllThree) {
  FakeRoad road;
  road.otherwise = "Pelmora T2\r\n6.02 (2006-03-14)\r\n 1.10 \r\nextra";
  const auto version = ReportRetrieval::GetVersion(road);
  EXPECT_EQ(
      version->ProductName() + "|" + version->FirmwareVersion() + "|" + version->BootVersion(),
      "Pelmora T2|6.02 (2006-03-14)|1.10");   // a parsed report's text is the tool's "show"
  road.otherwise = "Pelmora T2\r\n\r\n6.02";  // an empty line is no line
  EXPECT_EQ(CatchError([&] { ReportRetrieval::GetVersion(road); }).Description(),
            "Subscript out of range");
}

TEST(ReportRetrievalTest, DialogueErrorsPassOnWithHelpOnlyForTheIpReport) {
  const AutomationError failure(119, "PelmoraT2.Command", "No response from device", "t2.hlp", 42);
  for (const ReportKind& kind : kReportKinds) {
    for (const std::string& failingLine : {std::string("\r"), kind.command}) {
      FakeRoad road;
      road.failures.emplace(failingLine, failure);
      const AutomationError error = CatchError([&] { kind.fetch(road); });
      EXPECT_EQ(std::to_string(error.Number()) + error.Source() + error.Description() +
                    error.HelpFile() + std::to_string(error.HelpContext()),
                kind.command == "SH IP\r" ? "119PelmoraT2.CommandNo response from devicet2.hlp42"
                                          : "119PelmoraT2.CommandNo response from device0");
      EXPECT_EQ(road.sent.back(), failingLine);  // a failed wake-up ends the retrieval
    }
  }
}

}  // namespace
}  // namespace pelmora
