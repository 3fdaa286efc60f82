#include "pelmora/catalog/Profile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "pelmora/catalog/Utf8Text.h"

namespace pelmora {
namespace {

std::vector<std::string> Problems(const Profile& profile) {
  std::vector<std::string> shown;
  for (const auto& problem : profile.Problems()) shown.push_back(problem.ToString());
  return shown;
}

TEST(Profile, EveryProblemOfAFileIsReportedWithItsPlace) {
  unsetenv("PELMORA_TEST_UNSET");
  const std::string toml = R"(colour = "red"
discarded-messages = 3
channel = "6"
mode = "sideways"
rts-threshold = 2348
ssid = "two\nlines"
psk = { env = "PELMORA_TEST_UNSET" }
password = { file = "no-such-secret" }
ip-address = "10.1.2.255"
[wep-key]
5 = "0123456789"
2 = ""
)";
  const std::vector<std::string> expected = {
      "p.toml:1:1: unknown setting 'colour'",
      "p.toml:2:1: discarded-messages is read-only",
      "p.toml:3:11: channel: wrong type: wanted an integer, got a string",
      "p.toml:4:8: mode: unknown word (one of infrastructure, ad-hoc, or a number)",
      "p.toml:5:17: rts-threshold: out of range (1 to 2347)",
      "p.toml:6:8: ssid: line break in the value",
      "p.toml:7:15: psk: environment variable PELMORA_TEST_UNSET is not set",
      "p.toml:8:21: password: cannot read the file no-such-secret (No such file or directory)",
      "p.toml:9:14: ip-address: not a valid address",
      "p.toml:11:1: wep-key: key number '5' is not 1 to 4",
      "p.toml:12:5: wep-key 2: empty key",
  };
  EXPECT_EQ(Problems(Profile::Parse(toml, "p.toml", Profile::Format::Toml)), expected);

  // The same shape in JSON; places point at the keys.
  const std::string json = R"({"colour": "red",
  "channel": "6", "SSID": "a\"b", "ssid": "b",
  "wep-key": {
    "5": "0123456789", "1": "0123456789", "1": "0123456789"}, "colour": "blue"})";
  EXPECT_EQ(
      Problems(Profile::Parse(json, "p.json", Profile::Format::Json)),
      (std::vector<std::string>{"p.json:1:2: unknown setting 'colour'",
                                "p.json:2:3: channel: wrong type: wanted an integer, got a string",
                                "p.json:2:35: ssid is given more than once",
                                "p.json:4:5: wep-key: key number '5' is not 1 to 4",
                                "p.json:4:43: 1 is given more than once",
                                "p.json:4:63: colour is given more than once"}));
  // Any letter case names the one setting; the second place is refused.
  EXPECT_EQ(Problems(Profile::Parse("ssid = \"a\"\nSsId = \"b\"\n\"x\\ny\" = 1\n", "p.toml",
                                    Profile::Format::Toml)),
            (std::vector<std::string>{"p.toml:2:1: ssid is given more than once",
                                      "p.toml:3:1: unknown setting 'x\\x0Ay'"}));
}

TEST(Profile, OnlyRegularFilesUpToTheLimitAreRead) {
  const std::string dir = ::testing::TempDir() + "files" + std::to_string(getpid());
  std::filesystem::create_directories(dir);
  mkfifo((dir + "/fifo").c_str(), 0600);
  std::ofstream(dir + "/big") << std::string((1 << 20) + 1, '#');
  const std::vector<std::pair<std::string, std::string>> cases = {
      {dir, "a directory, not a file"},           {dir + "/fifo", "a FIFO, not a file"},
      {"/dev/zero", "a device file, not a file"}, {dir + "/big", "larger than 1 MiB"},
      {"/proc/self/mem", "Input/output error"},   {dir + "/none", "No such file or directory"}};
  for (const auto& [path, why] : cases) {
    EXPECT_EQ(Problems(Profile::Load(path)),
              std::vector<std::string>{path + ": cannot read the profile (" + why + ")"});
    const auto secret = Problems(
        Profile::Parse("psk = { file = \"" + path + "\" }", "p.toml", Profile::Format::Toml));
    EXPECT_EQ(secret, std::vector<std::string>{"p.toml:1:16: psk: cannot read the file " + path +
                                               " (" + why + ")"});
  }
  std::filesystem::remove_all(dir);
}

TEST(Profile, SyntaxErrorsCarryTheParsersMessageAndPlace) {
  const auto toml =
      Problems(Profile::Parse("ssid = \"a\"\nchannel = = 6\n", "p.toml", Profile::Format::Toml));
  ASSERT_EQ(toml.size(), 1u);
  EXPECT_TRUE(toml[0].starts_with("p.toml:2:11: ")) << toml[0];
  const auto json =
      Problems(Profile::Parse("{\"ssid\": \"a\",\n  }", "p.json", Profile::Format::Json));
  ASSERT_EQ(json.size(), 1u);
  EXPECT_TRUE(json[0].starts_with("p.json:2:3: parse error at line 2, column 3")) << json[0];
  // The parser's message never shows what it read: it may be a secret (here "Q7").
  for (const char* text : {"{\"psk\": \"Q7SecretValue}", "{\"psk\": \"Q7\tSecretValue\"}",
                           "{\"psk\": \"\\Q7SecretValue\"}", "psk = \"\\Q7SecretValue\"",
                           "psk = 1Q7", "psk = \"a\" Q7"}) {
    const auto problems = Problems(Profile::Parse(text, "p", Profile::Format(text[0] == '{')));
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].find('Q'), std::string::npos) << problems[0];
  }
  EXPECT_EQ(Problems(Profile::Load("/nonexistent/p.toml")),
            std::vector<std::string>{
                "/nonexistent/p.toml: cannot read the profile (No such file or directory)"});
}

TEST(Profile, ValuesAreTypedSecretsResolvedAndEntriesInCatalogOrder) {
  const std::string dir = ::testing::TempDir() + "profile" + std::to_string(getpid());
  std::filesystem::create_directories(dir);
  std::ofstream(dir + "/psk.txt") << "caf\xC3\xA9-psk-value\r\n";
  setenv("PELMORA_TEST_PW", "caf\xC3\xA9-psk-value", 1);
  std::ofstream(dir + "/p.toml") << R"(
ip-address = "192.168.0.5"
psk = { file = "psk.txt" }
password = { env = "PELMORA_TEST_PW" }
auth-type = "open+peap"
mode = 2
ssid = "Caf\u00e9"
wep-key = { 3 = "0123456789", 4 = "9876543210" }
root-key = "AB12"
)";
  const Profile profile = Profile::Load(dir + "/p.toml");
  ASSERT_TRUE(profile.IsValid()) << ::testing::PrintToString(Problems(profile));
  std::vector<std::string> shown;
  for (const auto& entry : profile.Entries()) {
    shown.push_back(std::string(entry.setting->name) +
                    (entry.key ? std::to_string(*entry.key) : "") + "=" + entry.value.Text());
  }
  // The one text rule: é is the byte E9 from a literal, a variable and a file alike.
  EXPECT_EQ(shown, (std::vector<std::string>{"mode=ad-hoc", "ssid=Caf\xE9", "wep-key3=0123456789",
                                             "wep-key4=9876543210", "auth-type=peap",
                                             "root-key=AB12", "password=caf\xE9-psk-value",
                                             "psk=caf\xE9-psk-value", "ip-address=192.168.0.5"}));
  EXPECT_EQ(profile.Secrets(),
            (std::vector<std::string>{"0123456789", "9876543210", "AB12", "caf\xE9-psk-value",
                                      "caf\xE9-psk-value"}));
  // A text that ends inside a character is refused, whatever follows it in memory.
  EXPECT_EQ(Utf8Text::ToBytes(std::string_view("caf\xC3\xA9", 4)), std::nullopt);
  // A problem never quotes a secret.
  const auto refused =
      Problems(Profile::Parse("psk = \"hidden\\nvalue\"", "p.toml", Profile::Format::Toml));
  ASSERT_EQ(refused.size(), 1u);
  EXPECT_EQ(refused[0].find("hidden"), std::string::npos) << refused[0];
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace pelmora
