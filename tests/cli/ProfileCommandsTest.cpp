// backup, diff and apply against `pelmora sim` over telnet, as the README walks through them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "SimProcess.h"

namespace pelmora::testing {
namespace {

using Json = nlohmann::json;

class ProfileCommands : public ::testing::Test {
 protected:
  void SetUp() override { std::filesystem::create_directories(dir_); }
  void TearDown() override {
    std::filesystem::remove_all(dir_);
    EXPECT_EQ(sim_.Stop(SIGINT).status, 0);
  }

  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
  static std::string Read(const std::string& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
  }
  static void Write(const std::string& path, const std::string& text) {
    std::ofstream(path) << text;
  }
  // The device's settings as backup shows them, without the comment that holds the time.
  std::string Settings() const {
    const std::string backup = sim_.Run({"backup"}).out;
    return backup.substr(backup.find("\nmode = "));
  }
  // The lines the tool sent that change the device.
  static std::vector<std::string> SetLines(const std::string& transcript) {
    std::vector<std::string> lines;
    std::istringstream in(transcript);
    for (std::string line; std::getline(in, line);) {
      const auto sent = line.find(" > ");
      if (sent != std::string::npos && line.find(" > SET ") == sent)
        lines.push_back(line.substr(sent + 3));
      if (sent != std::string::npos && line.find(" > SAVE") == sent) lines.push_back("SAVE");
    }
    return lines;
  }

  SimProcess sim_;
  std::string dir_ = ::testing::TempDir() + "profiles" + std::to_string(getpid());
};

TEST_F(ProfileCommands, BackupEditDiffApplyThenNothingIsLeftToChange) {
  const std::string office = Path("office.toml");
  ASSERT_EQ(sim_.Run({"backup", office}).status, 0);
  std::string profile = Read(office);
  EXPECT_TRUE(profile.starts_with("# pelmora backup of " + sim_.Endpoint() + " at ")) << profile;
  const Json json = Json::parse(sim_.Run({"--json", "backup"}).out, nullptr, false);
  EXPECT_EQ(json.size(), 20u);
  EXPECT_EQ(json["auth-type"], "open");

  profile.replace(profile.find("ssid = \"PrintNet\""), 17, "ssid = \"Office\"");
  profile.replace(profile.find("auth-type = \"open\""), 18, "auth-type = \"peap\"");
  setenv("PELMORA_OFFICE_PSK", "office-psk-4711", 1);
  Write(office,
        profile + "psk = { env = \"PELMORA_OFFICE_PSK\" }\nwep-key = { 2 = \"C0FFEE1234\" }\n");

  const ToolResult diff = sim_.Run({"diff", office});
  EXPECT_EQ(diff.status, 3) << diff.err;
  EXPECT_NE(diff.out.find("\nssid: PrintNet -> Office (change)\n"), std::string::npos) << diff.out;
  EXPECT_NE(diff.out.find("\nauth-type: open -> peap (change)\n"), std::string::npos);
  EXPECT_NE(diff.out.find("\npsk: - -> (secret) (send)\n"), std::string::npos);
  EXPECT_EQ(sim_.Run({"apply", office, "--dry-run"}).out, diff.out);

  const ToolResult apply = sim_.Run({"--log", Path("first.log"), "apply", office, "--save"});
  EXPECT_EQ(apply.status, 0) << apply.err;
  EXPECT_NE(apply.out.find("\nssid: PrintNet -> Office (change): verified\n"), std::string::npos)
      << apply.out;
  EXPECT_TRUE(apply.out.ends_with("\nsaved\n")) << apply.out;
  EXPECT_EQ(SetLines(Read(Path("first.log"))),
            (std::vector<std::string>{"SET NW SSID Office\\r", "SET NW KEY# 2\\r",
                                      "SET NW KEYVAL ********\\r", "SET NW KEY# 1\\r",
                                      "SET NW AUTH PEAP\\r", "SET NW WPAPSK ********\\r", "SAVE"}));

  const ToolResult again = sim_.Run({"diff", office});
  EXPECT_EQ(again.status, 0) << again.out;
  EXPECT_NE(again.out.find("\nauth-type: open+peap -> peap (keep)\n"), std::string::npos);
  const ToolResult second = sim_.Run({"--json", "--log", Path("second.log"), "apply", office});
  EXPECT_EQ(second.status, 0) << second.out;
  EXPECT_EQ(Json::parse(second.out)["saved"], false);
  EXPECT_EQ(SetLines(Read(Path("second.log"))),
            (std::vector<std::string>{"SET NW KEY# 2\\r", "SET NW KEYVAL ********\\r",
                                      "SET NW KEY# 1\\r", "SET NW WPAPSK ********\\r"}));

  for (const auto& text : {diff.out, apply.out + apply.err, second.out, Read(Path("first.log")),
                           Read(Path("second.log")), sim_.Run({"backup"}).out}) {
    EXPECT_EQ(text.find("office-psk-4711"), std::string::npos) << text;
    EXPECT_EQ(text.find("C0FFEE1234"), std::string::npos) << text;
  }
}

TEST_F(ProfileCommands, ABadProfileListsEveryProblemAndSendsNothing) {
  const std::string before = Settings();
  const std::string bad = Path("bad.toml");
  Write(bad,
        "ssid = \"Office\"\ndiscarded-messages = 0\nchannel = 12\nmode = \"sideways\"\n"
        "psk = { file = \"missing.txt\" }\n");
  for (const char* command : {"diff", "apply"}) {
    const ToolResult run = sim_.Run({"--log", Path("bad.log"), command, bad});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    // The problems' own texts are the profile's; the tool lists each with its place.
    EXPECT_TRUE(run.err.starts_with(bad + ":2:1: discarded-messages is read-only\n" + bad +
                                    ":3:11: channel: 12 is out of range (1 to 11)\n"))
        << run.err;
    EXPECT_TRUE(run.err.ends_with("\npelmora: " + bad + ": 4 problem(s); nothing was sent\n"));
  }
  Write(bad, "ssid = \"Office\n");
  const ToolResult syntax = sim_.Run({"--log", Path("bad.log"), "apply", bad});
  EXPECT_EQ(syntax.status, 2);
  EXPECT_TRUE(syntax.err.starts_with(bad + ":1:")) << syntax.err;
  EXPECT_EQ(Read(Path("bad.log")), "");
  EXPECT_EQ(Settings(), before);
}

TEST_F(ProfileCommands, ApplyStopsAtTheFirstRefusalListsWhatChangedAndDoesNotSave) {
  const std::string profile = Path("p.json");
  Write(profile, R"({"ssid": "Office", "rts-threshold": 2500, "ip-method": "static"})");
  const ToolResult run = sim_.Run({"--log", Path("p.log"), "apply", profile, "--save"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out,
            "ssid: PrintNet -> Office (change): verified\n"
            "rts-threshold: 2347 -> 2500 (change): failed: error 9998 (Command): Device reported "
            "error: Invalid value\n"
            "ip-method: dhcp -> static (change): not attempted\nnot saved\n");
  EXPECT_EQ(run.err, "error 9998 (Command): Device reported error: Invalid value\n");
  EXPECT_EQ(SetLines(Read(Path("p.log"))),
            (std::vector<std::string>{"SET NW SSID Office\\r", "SET NW RTS 2500\\r"}));
  const Json json = Json::parse(sim_.Run({"--json", "apply", profile, "--save"}).out);
  EXPECT_EQ(json["saved"], false);
  EXPECT_EQ(json["changes"][1]["error"]["number"], 9998);
  EXPECT_EQ(json["changes"][2]["result"], "not attempted");
}

}  // namespace
}  // namespace pelmora::testing
