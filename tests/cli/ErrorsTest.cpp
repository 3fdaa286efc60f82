// Exit status and the forms of errors: 2 for a command line the tool cannot carry out, 1 for an
// automation error, shown as "error NUMBER (SOURCE): DESCRIPTION" or as a JSON error object.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <nlohmann/json.hpp>

#include "FakePrintServer.h"
#include "ToolProcess.h"

namespace pelmora::testing {
namespace {

using Json = nlohmann::json;

// A loopback port on which nobody listens.
std::uint16_t ClosedPort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  close(fd);
  return ntohs(address.sin_port);
}

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
    const bool namesTarget = std::find_if(arguments.begin(), arguments.end(), [](auto& a) {
                               return a == "--host" || a == "--serial";
                             }) != arguments.end();
    if (!namesTarget) arguments.insert(arguments.begin(), {"--host", device.Address()});
    const ToolResult result = ToolProcess::Run(arguments);
    const std::string shown = ::testing::PrintToString(arguments);
    EXPECT_EQ(result.status, 2) << shown << result.err;
    EXPECT_EQ(result.out, "") << shown;
    EXPECT_NE(result.err, "") << shown;
    EXPECT_NE(result.err.rfind("pelmora: ", 0), std::string::npos) << shown << result.err;
  }
  EXPECT_EQ(device.Received(), "");
}

TEST(Errors, AutomationErrorsExitWithOneInTheDocumentedForms) {
  ToolResult result = ToolProcess::Run({"set", "auth-type", "10"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, "error 9999 (SetAuthenticationType): Invalid Authentication type\n");

  result = ToolProcess::Run({"--json", "set", "ip-address", "10.1.2.255"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(Json::parse(result.out), (Json{{"error",
                                            {{"number", 9999},
                                             {"source", "SetIpAddress"},
                                             {"description", "Invalid Ip address"}}}}));

  result = ToolProcess::Run({"cmd", "SH NW NONSENSE"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err.rfind("error 9998 (Command): Device reported error: ", 0), 0u) << result.err;

  result = ToolProcess::Run({"--host", "127.0.0.1:" + std::to_string(ClosedPort()), "get", "ssid"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err.rfind("error 3001 (Connection", 0), 0u) << result.err;
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
  EXPECT_NE(text.out.find("ssid: Shop\n"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("auth-type: open+ttls\n"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("mode: unrecognized\n"), std::string::npos) << text.out;
  EXPECT_EQ(text.out.find("rts-threshold"), std::string::npos) << text.out;
  EXPECT_NE(text.err.find("rts-threshold: error 13 ("), std::string::npos) << text.err;

  const ToolResult json = ToolProcess::Run({"--host", device.Address(), "--json", "get", "all"});
  EXPECT_EQ(json.status, 1);
  const Json all = Json::parse(json.out);
  ASSERT_EQ(all.size(), 22u);
  for (const auto& reading : all) {
    const bool failed = reading["name"] == "rts-threshold";
    EXPECT_EQ(reading.contains("error"), failed) << reading;
    EXPECT_EQ(reading.contains("value"), !failed) << reading;
  }
  EXPECT_EQ(all[5]["error"]["number"], 13);
  EXPECT_EQ(all[9], (Json{{"name", "auth-type"}, {"value", 10}, {"text", "open+ttls"}}));
  EXPECT_EQ(all[0], (Json{{"name", "mode"}, {"value", 0}, {"text", "unrecognized"}}));
}

}  // namespace
}  // namespace pelmora::testing
