#include "pelmora/reports/ReportRetrieval.h"

#include <gtest/gtest.h>

#include <functional>

#include "pelmora/platform/AutomationError.h"
#include "reports/FakeCommandRoad.h"
#include "reports/ScreenText.h"

namespace pelmora {
namespace {

using test::FakeCommandRoad;
using test::JoinScreen;

const std::vector<std::string> kVersionLines{"  Pelmora T2 Wireless Print Server ",
                                             "6.02 (2006-03-14)  ", "1.10"};

// One report per row: the line that asks for it and a way to fetch it.
struct ReportKind {
  std::string command;
  std::function<void(CommandRoad&)> fetch;
};

const std::vector<ReportKind> kReportKinds{
    {"SH VERSION\r", [](CommandRoad& road) { ReportRetrieval::GetVersion(road); }},
    {"SH IP\r", [](CommandRoad& road) { ReportRetrieval::GetIPInfo(road); }},
    {"SH NW\r", [](CommandRoad& road) { ReportRetrieval::GetWirelessInfo(road); }},
};

TEST(ReportRetrievalTest, WakesTheShellThenSendsTheReportCommand) {
  for (const ReportKind& kind : kReportKinds) {
    FakeCommandRoad road;
    road.Answer(kind.command, "a b\rc d\re f\rg h\ri j");
    try {
      kind.fetch(road);
    } catch (const AutomationError&) {
      // The screen does not matter here, only what went out.
    }
    EXPECT_EQ(road.Sent(), (std::vector<std::string>{"\r", kind.command}));
  }
}

TEST(ReportRetrievalTest, EveryLineBreakFormGivesTheSameValues) {
  for (const std::string lineBreak : {"\r", "\r\n", "\n", "\r\n\r\n\r\n", "\n\n", "\r\r\n\n"}) {
    FakeCommandRoad road;
    road.Answer("SH VERSION\r", JoinScreen(kVersionLines, lineBreak));
    auto version = ReportRetrieval::GetVersion(road);
    EXPECT_EQ(version->ProductName(), "Pelmora T2 Wireless Print Server");
    EXPECT_EQ(version->FirmwareVersion(), "6.02 (2006-03-14)");
    EXPECT_EQ(version->BootVersion(), "1.10");
  }
}

TEST(ReportRetrievalTest, NormalisingTrimsEveryLineButTheLast) {
  EXPECT_EQ(ReportRetrieval::NormalizeScreen(" a \r\n\r\n  b\n \r\n  c  "), "a\rb\r\r  c  ");
  EXPECT_EQ(ReportRetrieval::NormalizeScreen("\n a \n"), "\ra\r");
  EXPECT_EQ(ReportRetrieval::NormalizeScreen("  only  "), "  only  ");
  EXPECT_EQ(ReportRetrieval::NormalizeScreen(""), "");

  FakeCommandRoad road;
  road.Answer("SH VERSION\r", "T2\r\n6.02\r\n  1.10  ");
  EXPECT_EQ(ReportRetrieval::GetVersion(road)->BootVersion(), "  1.10  ");
}

TEST(ReportRetrievalTest, AnEmptyEapStateSurvivesOnlyOnTheLastLine) {
  // Trimming takes the blank of "state is " from an earlier line, and the key is gone with it.
  FakeCommandRoad last;
  last.Answer("SH NW\r", "Regulatory Domain = FCC\r\nEAP state is ");
  EXPECT_EQ(ReportRetrieval::GetWirelessInfo(last)->EAPState(), EAPStateEmpty);

  FakeCommandRoad earlier;
  earlier.Answer("SH NW\r", "EAP state is \r\nRegulatory Domain = FCC\r\nHost x");
  EXPECT_EQ(ReportRetrieval::GetWirelessInfo(earlier)->EAPState(), EAPStateUnrecognized);
}

TEST(ReportRetrievalTest, DialogueErrorsPassOnWithHelpOnlyForTheIpReport) {
  const AutomationError failure(119, "PelmoraT2.Command", "No response from device", "t2.hlp", 42);
  for (const ReportKind& kind : kReportKinds) {
    for (const std::string& failingLine : {std::string("\r"), kind.command}) {
      FakeCommandRoad road;
      road.Fail(failingLine, failure);
      try {
        kind.fetch(road);
        ADD_FAILURE() << "no error for " << kind.command;
      } catch (const AutomationError& error) {
        const bool keepsHelp = kind.command == "SH IP\r";
        EXPECT_EQ(error.Number(), 119);
        EXPECT_EQ(error.Source(), "PelmoraT2.Command");
        EXPECT_EQ(error.Description(), "No response from device");
        EXPECT_EQ(error.HelpFile(), keepsHelp ? "t2.hlp" : "");
        EXPECT_EQ(error.HelpContext(), keepsHelp ? 42 : 0);
      }
      // A failed wake-up ends the retrieval before the command goes out.
      EXPECT_EQ(road.Sent().size(), failingLine == "\r" ? 1u : 2u);
    }
  }
}

TEST(ReportRetrievalTest, ParseErrorsReachTheCaller) {
  FakeCommandRoad road;
  road.Answer("SH VERSION\r", "T2\r\n6.02")
      .Answer("SH IP\r", "IP Address 10.1.2.3 (via DHCP)\r\nIP Gateway 10.1.2.1")
      .Answer("SH NW\r", "WiFi FW Ver = 1.7.4");
  const std::vector<std::pair<ReportKind, std::pair<int, std::string>>> expected{
      {kReportKinds[0], {9, "VersionInfo.Parse"}},
      {kReportKinds[1], {5, "IPInfo.Parse"}},
      {kReportKinds[2], {5, "WirelessInfo.Parse"}},
  };
  for (const auto& [kind, error] : expected) {
    try {
      kind.fetch(road);
      ADD_FAILURE() << "no error for " << kind.command;
    } catch (const AutomationError& raised) {
      EXPECT_EQ(raised.Number(), error.first) << kind.command;
      EXPECT_EQ(raised.Source(), error.second);
    }
  }
}

}  // namespace
}  // namespace pelmora
