// Every command of the tool, in text and in JSON, against the embedded simulated print server.
#include "ToolProcess.h"

namespace pelmora::testing {
namespace {

std::pair<std::string, Json> TextAndJson(std::vector<std::string> arguments) {
  SCOPED_TRACE(::testing::PrintToString(arguments));
  const ToolResult text = ToolProcess::Run(arguments);
  arguments.insert(arguments.begin(), "--json");
  const ToolResult json = ToolProcess::Run(arguments);
  EXPECT_EQ(text.status, 0) << text.err;
  EXPECT_EQ(json.status, 0) << json.err;
  EXPECT_EQ(text.err + json.err, "");
  return {text.out, json.json()};
}

TEST(Commands, EachCommandPrintsItsTextAndItsJsonExactly) {
  const std::string ok = R"({"ok": true})";
  const std::vector<std::tuple<std::vector<std::string>, std::string, std::string>> cases = {
      {{"get", "ssid"}, "PrintNet\n", R"({"name": "ssid", "value": "PrintNet"})"},
      {{"--sim", "get", "ip-method"},
       "dhcp\n",
       R"({"name": "ip-method", "value": 2, "text": "dhcp"})"},
      {{"set", "ssid", "OfficeNet"}, "ok\n", ok},
      {{"set", "ip-method", "1"}, "ok\n", ok},
      {{"set", "wep-key", "2", "0123456789"}, "ok\n", ok},
      {{"save"}, "ok\n", ok},
      {{"reset"}, "ok\n", ok},
      {{"logoff"}, "ok\n", ok},
      {{"login", "anything"}, "ok\n", ok},
      {{"readonly"}, "false\n", R"({"readOnly": false})"},
      {{"cmd", "SH", "IP"},
       "IP Address 10.1.2.3 (via DHCP server 10.1.2.1)\nSubnet Mask 255.255.255.0\n"
       "IP Gateway 10.1.2.1\nBoot Method DHCP\nHost Name PS-0A1B2C\n",
       R"({"reply": "IP Address 10.1.2.3 (via DHCP server 10.1.2.1)\r\nSubnet Mask 255.255.255.0)"
       R"(\r\nIP Gateway 10.1.2.1\r\nBoot Method DHCP\r\nHost Name PS-0A1B2C"})"},
      {{"show", "version"},
       "ProductName: Pelmora T2 Wireless Print Server\nFirmwareVersion: 6.02 (2006-03-14)\n"
       "BootVersion: 1.10\n",
       R"j({"ProductName": "Pelmora T2 Wireless Print Server",
            "FirmwareVersion": "6.02 (2006-03-14)", "BootVersion": "1.10"})j"},
      {{"show", "ip"},
       "IPAddress: 10.1.2.3\nDefaultRouter: 10.1.2.1\nSubnetMask: 255.255.255.0\nBootMethod: 2\n",
       R"({"IPAddress": "10.1.2.3", "SubnetMask": "255.255.255.0", "DefaultRouter": "10.1.2.1",
           "BootMethod": 2, "ActualIPAssignment": 2})"},
      {{"show", "wireless"},
       "AP MAC Address: 00:11:22:33:44:55\nRegulatory Domain: FCC\n"
       "WEP Encryption: 0 (0 = WEP disabled)\nWEP Key #1 Set: False\nWEP Key #2 Set: False\n"
       "WEP Key #3 Set: False\nWEP Key #4 Set: False\nWiFi Firmware version: 1.7.4\n",
       R"({"RegulatoryDomain": "FCC", "WiFiFWVersion": "1.7.4", "APMacAddress": "00:11:22:33:44:55",
           "WepEncryption": 0, "WepKey1Set": false, "WepKey2Set": false, "WepKey3Set": false,
           "WepKey4Set": false, "EAPState": 3})"},
  };
  for (const auto& [arguments, text, json] : cases) {
    SCOPED_TRACE(::testing::PrintToString(arguments));
    const auto [shown, document] = TextAndJson(arguments);
    EXPECT_EQ(shown, text);
    EXPECT_EQ(document, Json::parse(json));
  }
  // A line piped in may end in CR LF: "exit" still ends the shell before the next line.
  const ToolResult shell = ToolProcess::Run({"shell"}, "exit\r\nSH NW SSID\r\n");
  EXPECT_EQ(shell.status, 0);
  EXPECT_EQ(shell.out, "");
}

TEST(Commands, GetAllAndSettingsListTheTableInItsOrder) {
  const auto [all, allJson] = TextAndJson({"get", "all"});
  EXPECT_EQ(all,
            "mode: infrastructure\nap-density: low\nssid: PrintNet\nbssid: \nchannel: 6\n"
            "rts-threshold: 2347\ndiscarded-messages: 17\nencryption: disabled\nactive-key: 1\n"
            "auth-type: open\nauth-protocol: pap\ncommon-name: \ncommon-name2: \nexponent: 65537\n"
            "user: \nrealm: \npsk: \nip-method: dhcp\nip-address: 10.1.2.3\n"
            "subnet-mask: 255.255.255.0\ndefault-router: 10.1.2.1\n");
  std::string readable, names, gettable;
  std::istringstream lines(all);
  for (std::string line; std::getline(lines, line);)
    readable += line.substr(0, line.find(':')) + "\n";
  for (const auto& reading : allJson) names += reading["name"].get<std::string>() + "\n";
  EXPECT_EQ(names, readable);
  EXPECT_EQ(allJson[0], (Json{{"name", "mode"}, {"value", 1}, {"text", "infrastructure"}}));
  EXPECT_EQ(allJson[3], (Json{{"name", "bssid"}, {"value", ""}}));
  EXPECT_EQ(allJson[4], (Json{{"name", "channel"}, {"value", 6}}));

  const auto [settings, settingsJson] = TextAndJson({"settings"});
  EXPECT_EQ(std::count(settings.begin(), settings.end(), '\n'), settingsJson.size());
  EXPECT_TRUE(
      settings.starts_with("mode                get set enum     infrastructure, ad-hoc\n"));
  for (const auto& setting : settingsJson)
    if (setting["get"] == true) gettable += setting["name"].get<std::string>() + "\n";
  EXPECT_EQ(gettable, readable);
  EXPECT_EQ(settingsJson.size(), allJson.size() + 3);
  // One row in full shows the rendering; the rows themselves are the catalog's (its own tests).
  EXPECT_EQ(settingsJson[0], Json::parse(R"({"name": "mode", "get": true, "set": true,
      "type": "enum", "words": ["infrastructure", "ad-hoc"]})"));
}

}  // namespace
}  // namespace pelmora::testing
