// Every command of the tool, in text and in JSON, against the embedded simulated print server.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "ToolProcess.h"

namespace pelmora::testing {
namespace {

using Json = nlohmann::json;

ToolResult Ok(const std::vector<std::string>& arguments) {
  ToolResult result = ToolProcess::Run(arguments);
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.err, "");
  return result;
}

Json OkJson(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), "--json");
  return Json::parse(Ok(arguments).out);
}

const std::vector<std::string> kReadable{"mode",
                                         "ap-density",
                                         "ssid",
                                         "bssid",
                                         "channel",
                                         "rts-threshold",
                                         "discarded-messages",
                                         "encryption",
                                         "active-key",
                                         "auth-type",
                                         "auth-protocol",
                                         "common-name",
                                         "common-name2",
                                         "exponent",
                                         "root-key",
                                         "user",
                                         "realm",
                                         "psk",
                                         "ip-method",
                                         "ip-address",
                                         "subnet-mask",
                                         "default-router"};

TEST(Commands, GetPrintsTheValueAloneOrOneJsonObjectWithTheWord) {
  EXPECT_EQ(Ok({"get", "ssid"}).out, "PrintNet\n");
  EXPECT_EQ(Ok({"get", "mode"}).out, "infrastructure\n");
  EXPECT_EQ(Ok({"get", "channel"}).out, "6\n");
  EXPECT_EQ(Ok({"--sim", "get", "subnet-mask"}).out, "255.255.255.0\n");

  EXPECT_EQ(OkJson({"get", "ssid"}), (Json{{"name", "ssid"}, {"value", "PrintNet"}}));
  EXPECT_EQ(OkJson({"get", "ip-method"}),
            (Json{{"name", "ip-method"}, {"value", 2}, {"text", "dhcp"}}));
  EXPECT_EQ(OkJson({"get", "rts-threshold"}), (Json{{"name", "rts-threshold"}, {"value", 2347}}));
}

TEST(Commands, GetAllReadsEveryReadableSettingInTableOrder) {
  const std::string text = Ok({"get", "all"}).out;
  std::size_t at = 0;
  for (const auto& name : kReadable) {
    const auto line = text.find(name + ": ", at);
    ASSERT_NE(line, std::string::npos) << name << " missing or out of order in\n" << text;
    at = line + name.size();
  }
  EXPECT_NE(text.find("\nauth-type: open\n"), std::string::npos);

  const Json all = OkJson({"get", "all"});
  ASSERT_EQ(all.size(), kReadable.size());
  for (std::size_t i = 0; i < kReadable.size(); ++i) {
    EXPECT_EQ(all[i]["name"], kReadable[i]);
    EXPECT_TRUE(all[i].contains("value")) << all[i];
    EXPECT_FALSE(all[i].contains("error")) << all[i];
  }
  EXPECT_EQ(all[0], (Json{{"name", "mode"}, {"value", 1}, {"text", "infrastructure"}}));
}

TEST(Commands, SetTakesWordsNumbersAndKeyValuesAndSaysOk) {
  EXPECT_EQ(Ok({"set", "ssid", "OfficeNet"}).out, "ok\n");
  EXPECT_EQ(Ok({"set", "mode", "AD-HOC"}).out, "ok\n");
  EXPECT_EQ(Ok({"set", "ip-method", "1"}).out, "ok\n");
  EXPECT_EQ(Ok({"set", "wep-key", "2", "0123456789"}).out, "ok\n");
  EXPECT_EQ(OkJson({"set", "encryption", "wep128"}), (Json{{"ok", true}}));
  EXPECT_EQ(OkJson({"set", "ip-address", "192.168.7.20"}), (Json{{"ok", true}}));
}

TEST(Commands, ShowPrintsTheReportWithLineFeedsOrItsProperties) {
  const std::string version = Ok({"show", "version"}).out;
  EXPECT_EQ(version.find('\r'), std::string::npos);
  EXPECT_NE(version.find("Pelmora T2 Wireless Print Server\n"), std::string::npos) << version;
  EXPECT_EQ(Ok({"show", "ip"}).out.find('\r'), std::string::npos);
  EXPECT_NE(Ok({"show", "wireless"}).out.find("00:11:22:33:44:55"), std::string::npos);

  const Json versionJson = OkJson({"show", "version"});
  EXPECT_EQ(versionJson["ProductName"], "Pelmora T2 Wireless Print Server");
  EXPECT_EQ(versionJson.size(), 3u);
  EXPECT_TRUE(versionJson.contains("FirmwareVersion") && versionJson.contains("BootVersion"));

  const Json ip = OkJson({"show", "ip"});
  EXPECT_EQ(ip, (Json{{"IPAddress", "10.1.2.3"},
                      {"SubnetMask", "255.255.255.0"},
                      {"DefaultRouter", "10.1.2.1"},
                      {"BootMethod", 2},
                      {"ActualIPAssignment", 2}}));

  const Json wireless = OkJson({"show", "wireless"});
  for (const char* key : {"RegulatoryDomain", "WiFiFWVersion", "APMacAddress", "WepEncryption",
                          "WepKey1Set", "WepKey2Set", "WepKey3Set", "WepKey4Set", "EAPState"}) {
    EXPECT_TRUE(wireless.contains(key)) << key;
  }
  EXPECT_EQ(wireless.size(), 9u);
  EXPECT_EQ(wireless["WepKey1Set"], false);
}

TEST(Commands, CmdPrintsTheShellsAnswer) {
  EXPECT_EQ(Ok({"cmd", "SH", "NW", "SSID"}).out, "WiFi SSID: PrintNet\n");
  EXPECT_EQ(OkJson({"cmd", "SH NW SSID"}), (Json{{"reply", "WiFi SSID: PrintNet"}}));
  const std::string screen = Ok({"cmd", "SH IP"}).out;
  EXPECT_EQ(screen.find('\r'), std::string::npos);
  EXPECT_NE(screen.find("10.1.2.3"), std::string::npos) << screen;
}

TEST(Commands, DialoguesSayOkAndReadOnlyTellsTheState) {
  for (const char* dialogue : {"save", "reset", "logoff"}) {
    EXPECT_EQ(Ok({dialogue}).out, "ok\n") << dialogue;
    EXPECT_EQ(OkJson({dialogue}), (Json{{"ok", true}})) << dialogue;
  }
  EXPECT_EQ(Ok({"login", "anything"}).out, "ok\n");
  EXPECT_EQ(OkJson({"login", "anything"}), (Json{{"ok", true}}));
  EXPECT_EQ(Ok({"readonly"}).out, "false\n");
  EXPECT_EQ(OkJson({"readonly"}), (Json{{"readOnly", false}}));
}

TEST(Commands, SettingsDescribesTheTable) {
  const Json settings = OkJson({"settings"});
  ASSERT_EQ(settings.size(), kReadable.size() + 2);
  std::vector<std::string> readable;
  for (const auto& setting : settings) {
    if (setting["get"] == true) readable.push_back(setting["name"]);
  }
  EXPECT_EQ(readable, kReadable);
  EXPECT_EQ(settings[0], (Json{{"name", "mode"},
                               {"get", true},
                               {"set", true},
                               {"type", "enum"},
                               {"words", {"infrastructure", "ad-hoc"}}}));
  for (const auto& setting : settings) {
    const std::string name = setting["name"];
    if (name == "wep-key" || name == "password") {
      EXPECT_EQ(setting["get"], false) << name;
    }
    if (name == "discarded-messages") {
      EXPECT_EQ(setting["set"], false);
    }
    if (name == "default-router") {
      EXPECT_EQ(setting["type"], "address");
    }
    if (name == "auth-type") {
      EXPECT_EQ(setting["words"], (Json{"open", "shared", "ttls", "leap", "psk", "peap"}));
    }
  }
  const std::string text = Ok({"settings"}).out;
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), static_cast<long>(settings.size()));
}

}  // namespace
}  // namespace pelmora::testing
