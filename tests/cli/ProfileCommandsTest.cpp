// `pelmora sim` serving other runs of the tool over telnet: backup, diff and apply as the README
// walks through them, and secrets that show neither on output nor in the --log transcript.
#include <filesystem>

#include "ToolProcess.h"

namespace pelmora::testing {
namespace {

class ProfileCommands : public ::testing::Test {
 protected:
  void SetUp() override { std::filesystem::create_directories(dir_); }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
  static std::vector<std::string> SetLines(const std::string& transcript) {
    std::vector<std::string> lines;
    std::istringstream in(transcript);
    for (std::string line; std::getline(in, line);) {
      const auto sent = line.find(" > ");
      if (sent != line.find(" > SET ") && sent != line.find(" > SAVE")) continue;
      if (sent != std::string::npos) lines.push_back(line.substr(sent + 3));
    }
    return lines;
  }

  SimProcess sim_;
  std::string dir_ = TempPath("profiles");
};

TEST_F(ProfileCommands, BackupEditDiffApplyThenNothingIsLeftToChange) {
  const std::string office = Path("office.toml");
  ASSERT_EQ(sim_.Run({"backup", office}).status, 0);
  std::string profile = ReadFile(office);
  EXPECT_TRUE(profile.starts_with("# pelmora backup of " + sim_.Endpoint() + " at ")) << profile;
  const Json json = sim_.Run({"--json", "backup"}).json();
  EXPECT_EQ(json.size(), 19u);
  EXPECT_EQ(json["auth-type"], "open");

  profile.replace(profile.find("ssid = \"PrintNet\""), 17, "ssid = \"Office\"");
  profile.replace(profile.find("auth-type = \"open\""), 18, "auth-type = \"peap\"");
  setenv("PELMORA_OFFICE_PSK", "office-psk-4711", 1);
  std::ofstream(office)
      << (profile + "psk = { env = \"PELMORA_OFFICE_PSK\" }\nwep-key = { 2 = \"C0FFEE1234\" }\n");

  const ToolResult diff = sim_.Run({"diff", office});
  EXPECT_EQ(diff.status, 3) << diff.err;
  EXPECT_TRUE(Has(diff.out, "\nssid: PrintNet -> Office (change)\n"));
  EXPECT_TRUE(Has(diff.out, "\nauth-type: open -> peap (change)\n"));
  EXPECT_TRUE(Has(diff.out, "\npsk: - -> (secret) (send)\n"));
  EXPECT_EQ(sim_.Run({"apply", office, "--dry-run"}).out, diff.out);

  const ToolResult apply = sim_.Run({"--log", Path("first.log"), "apply", office, "--save"});
  EXPECT_EQ(apply.status, 0) << apply.err;
  EXPECT_TRUE(Has(apply.out, "\nssid: PrintNet -> Office (change): verified\n"));
  EXPECT_TRUE(apply.out.ends_with("\nsaved\n")) << apply.out;
  EXPECT_EQ(
      SetLines(ReadFile(Path("first.log"))),
      (std::vector<std::string>{"SET NW SSID Office\\r", "SET NW KEY# 2\\r",
                                "SET NW KEYVAL ********\\r", "SET NW KEY# 1\\r",
                                "SET NW AUTH PEAP\\r", "SET NW WPAPSK ********\\r", "SAVE\\r\\r"}));

  const ToolResult again = sim_.Run({"diff", office});
  EXPECT_EQ(again.status, 0) << again.out;
  EXPECT_TRUE(Has(again.out, "\nauth-type: open+peap -> peap (keep)\n"));
  const ToolResult second = sim_.Run({"--json", "--log", Path("second.log"), "apply", office});
  EXPECT_EQ(second.status, 0) << second.out;
  EXPECT_EQ(second.json()["saved"], false);
  EXPECT_EQ(SetLines(ReadFile(Path("second.log"))),
            (std::vector<std::string>{"SET NW KEY# 2\\r", "SET NW KEYVAL ********\\r",
                                      "SET NW KEY# 1\\r", "SET NW WPAPSK ********\\r"}));

  for (const auto& text : {diff.out, apply.out + apply.err, second.out, ReadFile(Path("first.log")),
                           ReadFile(Path("second.log")), sim_.Run({"backup"}).out}) {
    EXPECT_EQ(text.find("office-psk-4711"), std::string::npos) << text;
    EXPECT_EQ(text.find("C0FFEE1234"), std::string::npos) << text;
  }
}

TEST_F(ProfileCommands, ABadProfileListsEveryProblemAndSendsNothing) {
  const std::string before = sim_.Run({"--json", "backup"}).out;
  const std::string bad = Path("bad.toml");
  std::ofstream(bad)
      << ("ssid = \"Office\"\ndiscarded-messages = 0\nchannel = 12\nmode = \"sideways\"\n"
          "psk = { file = \"missing.txt\" }\n");
  for (const char* command : {"diff", "apply"}) {
    const ToolResult run = sim_.Run({"--log", Path("bad.log"), command, bad});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    // The problems' own texts are the profile's; the tool lists each with its place.
    EXPECT_TRUE(run.err.starts_with(bad + ":2:1: discarded-messages is read-only\n" + bad +
                                    ":3:11: channel: out of range (1 to 11)\n"))
        << run.err;
    EXPECT_TRUE(run.err.ends_with("\npelmora: " + bad + ": 4 problem(s); nothing was sent\n"));
  }
  EXPECT_EQ(ReadFile(Path("bad.log")), "");
  EXPECT_EQ(sim_.Run({"--json", "backup"}).out, before);
}

TEST_F(ProfileCommands, ApplyStopsAtTheFirstRefusalAndSetsBackWhatItChanged) {
  const std::string profile = Path("p.json");
  std::ofstream(profile) << R"({"ssid": "Caf\u00e9", "bssid": "zz", "ip-method": "static"})";
  const std::string refused = "error 9998 (Command): Device reported error: Invalid value";
  const ToolResult run = sim_.Run({"--log", Path("apply.log"), "apply", profile, "--save"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out,
            "ssid: PrintNet -> Caf\xC3\xA9 (change): rolled back\nbssid: \"\" -> zz (change): "
            "failed: " +
                refused + "\nip-method: dhcp -> static (change): not attempted\nnot saved\n");
  EXPECT_EQ(run.err, refused + "\n");
  EXPECT_EQ(SetLines(ReadFile(Path("apply.log"))),
            (std::vector<std::string>{"SET NW SSID Caf\\xE9\\r", "SET NW BSSID zz\\r",
                                      "SET NW SSID PrintNet\\r"}));
  const ToolResult kept = sim_.Run({"--json", "apply", profile, "--no-rollback"});
  EXPECT_EQ(kept.json()["changes"][0], Json::parse(R"({"name": "ssid", "from": "PrintNet",
      "to": "Caf\u00e9", "action": "change", "result": "verified"})"));
  EXPECT_EQ(kept.json().size(), 2u);  // "changes" and "saved" only
  EXPECT_EQ(kept.err, refused + "\n");
  // The device's bytes come back as the same characters; control characters are escaped.
  std::ofstream(profile) << R"({"ssid": "\u001b[2J"})";
  EXPECT_EQ(sim_.Run({"apply", profile, "--save"}).status, 0);
  EXPECT_EQ(sim_.Run({"get", "all"}).out.find('\x1B'), std::string::npos);
  EXPECT_EQ(sim_.Run({"get", "ssid"}).out, "\\x1B[2J\n");
  EXPECT_EQ(sim_.Run({"--json", "backup", Path("b.toml")}).json(),
            (Json{{"file", Path("b.toml")}, {"settings", 19}}));
}

TEST(Sim, ServesTheToolUntilInterruptedAndNoSecretShowsOnOutputOrInTheTranscript) {
  const std::string pw = "ShellPw-4711";
  SimProcess sim({"--password", pw});
  const std::string log = TempPath("transcript");
  EXPECT_EQ(sim.Run({"readonly"}).out, "true\n");
  EXPECT_EQ(sim.Run({"--json", "--password", pw, "readonly"}).out, "{\n  \"readOnly\": false\n}\n");
  const std::vector<std::tuple<std::vector<std::string>, int, std::string>> runs{
      // Refused by the read-only shell; the rest log in first.
      {{"set", "psk", "Psk-Value-0815"}, 1, ""},
      {{"--password", pw, "set", "psk", "Psk-Value-0815"}, 0, ""},
      {{"--json", "--password", pw, "set", "wep-key", "3", "C0FFEE1234"}, 0, ""},
      {{"--password", pw, "set", "password", "Eap-Pw-99"}, 0, ""},
      {{"--password", pw, "set", "root-key", "DEADBEEF4711"}, 0, ""},
      {{"--json", "login", pw}, 0, ""},
      // Refused by the tool or the library before anything is sent.
      {{"--json", "--password", pw, "set", "psk", "shortPk"}, 2, ""},
      {{"--password", pw, "set", "psk", "Psk-Value-0815\rSAVE"}, 2, ""},
      {{"login", pw + "\nexit"}, 1, ""},
      // The same secrets typed into the interactive shell.
      {{"shell"}, 0, "unpro\n" + pw + "\nSET NW WPAPSK Psk-Value-0815\nSET NW KEYVAL C0FFEE1234\n"},
  };
  const std::vector<std::string> secrets{pw,          "Psk-Value-0815", "C0FFEE1234",
                                         "Eap-Pw-99", "DEADBEEF4711",   "shortPk"};
  auto expectNoSecret = [&](const std::string& text, const std::string& where) {
    for (const auto& secret : secrets)
      EXPECT_EQ(text.find(secret), std::string::npos) << secret << " in " << where << ":\n" << text;
  };
  for (auto [arguments, status, input] : runs) {
    const std::string shown = ::testing::PrintToString(arguments);
    arguments.insert(arguments.begin(), {"--log", log});
    const ToolResult result = sim.Run(arguments, input);
    EXPECT_EQ(result.status, status) << shown << result.err;
    expectNoSecret(result.out + result.err, shown);
  }

  const std::string transcript = ReadFile(log);
  expectNoSecret(transcript, "the transcript");
  // The dialogue itself is there, with time stamps, in both directions.
  for (const char* line :
       {" > unpro\\r\n", " > ********\\r\n", " > SET NW WPAPSK ********\\r\n",
        " < SET NW WPAPSK ********\\r\\n\n", " > SET NW KEY# 3\\r\n", " < Local> \n"}) {
    EXPECT_TRUE(Has(transcript, line));
  }
  std::remove(log.c_str());
}

}  // namespace
}  // namespace pelmora::testing
