// Exit status and the forms of errors: 2 for a command line the tool cannot carry out, 1 for an
// automation error, shown as "error NUMBER (SOURCE): DESCRIPTION" or as a JSON error object.
#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>

#include "FakePrintServer.h"
#include "ToolProcess.h"

namespace pelmora::testing {
namespace {

using Json = nlohmann::json;

TEST(Errors, UsageErrorsExitWithTwoBeforeAnythingIsSent) {
  FakePrintServer device;
  const std::vector<std::vector<std::string>> usageErrors{
      {"get", "colour"},                   // unknown setting
      {"set", "ssid"},                     // missing value
      {"set", "mode", "bridge"},           // bad enumeration word
      {"set", "channel", "six"},           // not a number
      {"set", "channel", "6", "7"},        // one value too many
      {"set", "wep-key", "2"},             // key value missing
      {"get", "password"},                 // set only
      {"set", "discarded-messages", "0"},  // get only
      {"show", "status"},
      {"frobnicate"},
      {},
      {"--timeout", "0", "get", "ssid"},
      {"--host", "127.0.0.1:99999", "get", "ssid"},
      {"--serial", "/dev/null", "--sim", "get", "ssid"},
      {"--log", "/nonexistent-dir/transcript", "get", "ssid"},
  };
  for (auto arguments : usageErrors) {
    // Aimed at the device, so that anything sent would show; cases that name a target keep it.
    if (std::ranges::count(arguments, "--host") + std::ranges::count(arguments, "--serial") == 0) {
      arguments.insert(arguments.begin(), {"--host", device.Address()});
    }
    const ToolResult result = ToolProcess::Run(arguments);
    const std::string shown = ::testing::PrintToString(arguments);
    EXPECT_EQ(result.status, 2) << shown << result.err;
    EXPECT_EQ(result.out, "") << shown;
    EXPECT_TRUE(result.err.starts_with("pelmora: ") && result.err.size() > 10)
        << shown << result.err;
  }
  EXPECT_EQ(device.Received(), "");
}

struct Failure {
  std::vector<std::string> arguments;
  int number;
  std::string source;
  std::string description;
};

TEST(Errors, AutomationErrorsExitWithOneInTheDocumentedForms) {
  const std::vector<Failure> failures = {
      {{"set", "auth-type", "10"}, 9999, "SetAuthenticationType", "Invalid Authentication type"},
      {{"set", "ip-address", "10.1.2.255"}, 9999, "SetIpAddress", "Invalid Ip address"},
      {{"cmd", "SH NW NONSENSE"}, 9998, "Command", "Device reported error: Unknown command"},
  };
  for (const Failure& failure : failures) {
    const ToolResult text = ToolProcess::Run(failure.arguments);
    EXPECT_EQ(text.status, 1) << failure.source;
    EXPECT_EQ(text.out, "");
    EXPECT_EQ(text.err, "error " + std::to_string(failure.number) + " (" + failure.source +
                            "): " + failure.description + "\n");

    std::vector<std::string> arguments = failure.arguments;
    arguments.insert(arguments.begin(), "--json");
    const ToolResult json = ToolProcess::Run(arguments);
    EXPECT_EQ(json.status, 1) << failure.source;
    EXPECT_EQ(json.err, "");
    EXPECT_EQ(Json::parse(json.out, nullptr, false),
              (Json{{"error",
                     {{"number", failure.number},
                      {"source", failure.source},
                      {"description", failure.description}}}}));
  }
}

TEST(Errors, GetAllReportsAFailedGetterAndReadsTheOthers) {
  FakePrintServer device;
  device.Answer("SH NW RTS", "WiFi RTS Threshold = off");
  device.Answer("SH NW SSID", "WiFi SSID: Shop");
  device.Answer("SH NW AUTH", "Authentication type= WPA-TTLS");
  device.Answer("SH NW MO", "Wifi mode = bridge");
  device.Answer("SH NW CERTEXP", "3");
  device.Answer("SH IP ME", "STATIC");
  device.Answer("SH IP AD", "10.0.0.5");
  device.Answer("SH IP SU", "255.0.0.0");
  device.Answer("SH IP RO", "10.0.0.1");

  const ToolResult text = ToolProcess::Run({"--host", device.Address(), "get", "all"});
  EXPECT_EQ(text.status, 1);
  EXPECT_NE(text.out.find("mode: unrecognized\n"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("auth-type: open+ttls\n"), std::string::npos) << text.out;
  EXPECT_EQ(text.out.find("rts-threshold"), std::string::npos) << text.out;
  EXPECT_NE(text.err.find("rts-threshold: error 13 ("), std::string::npos) << text.err;

  const ToolResult json = ToolProcess::Run({"--host", device.Address(), "--json", "get", "all"});
  EXPECT_EQ(json.status, 1);
  const Json all = Json::parse(json.out, nullptr, false);
  ASSERT_EQ(all.size(), 22u);
  for (const auto& reading : all) {
    const bool failed = reading["name"] == "rts-threshold";
    EXPECT_EQ(reading.contains("error"), failed) << reading;
    EXPECT_EQ(reading.contains("value"), !failed) << reading;
  }
  EXPECT_EQ(all[5]["error"]["number"], 13);
  EXPECT_EQ(all[9], Json::parse(R"({"name": "auth-type", "value": 10, "text": "open+ttls"})"));
}

}  // namespace
}  // namespace pelmora::testing
