// Secrets given to the tool (the login password, a PSK, a WEP key, the root key, the 802.1X
// password) appear neither on its stdout and stderr nor in its --log transcript: not when the
// command succeeds, not when the device or the tool refuses it, not in JSON output.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ToolProcess.h"

namespace pelmora::testing {
namespace {

const std::vector<std::string> kSecrets{"LoginPw-5150",     "Psk-Secret-2718", "C0FFEE9876",
                                        "A1B2C3D4E5F60718", "UserPw-1618",     "shortPk"};

std::string Contents(const std::string& path) {
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

void ExpectNoSecret(const std::string& where, const std::string& text, const std::string& run) {
  for (const auto& secret : kSecrets) {
    EXPECT_EQ(text.find(secret), std::string::npos)
        << secret << " on " << where << " of " << run << ":\n"
        << text;
  }
}

TEST(Secrets, NeitherOutputNorTranscriptShowsASecretGivenToTheTool) {
  const std::string log = ::testing::TempDir() + "pelmora-secrets-" + std::to_string(getpid());
  std::remove(log.c_str());
  const std::vector<std::vector<std::string>> runs{
      {"--password", "LoginPw-5150", "set", "psk", "Psk-Secret-2718"},
      {"--json", "--password", "LoginPw-5150", "set", "wep-key", "2", "C0FFEE9876"},
      {"set", "root-key", "A1B2C3D4E5F60718"},
      {"set", "password", "UserPw-1618"},
      {"login", "LoginPw-5150"},
      {"--json", "login", "LoginPw-5150"},
      // Refused by the device (too short for a PSK), as text and as JSON.
      {"set", "psk", "shortPk"},
      {"--json", "set", "psk", "shortPk"},
      // Refused by the library before anything is sent.
      {"set", "psk", "Psk-Secret-2718\rSAVE"},
      {"login", "LoginPw-5150\nexit"},
      // The same secrets typed into the interactive shell.
      {"shell"},
  };
  const std::string typed = "SET NW WPAPSK Psk-Secret-2718\nSET NW KEYVAL C0FFEE9876\n";
  int failures = 0;
  for (auto arguments : runs) {
    const std::string shown = ::testing::PrintToString(arguments);
    arguments.insert(arguments.begin(), {"--log", log});
    const ToolResult result =
        ToolProcess::Run(arguments, arguments.back() == "shell" ? typed : std::string{});
    EXPECT_NE(result.status, -1) << shown;
    if (result.status != 0) ++failures;
    ExpectNoSecret("stdout", result.out, shown);
    ExpectNoSecret("stderr", result.err, shown);
  }
  // The refusals did fail: their error texts were looked at, not skipped.
  EXPECT_GE(failures, 4);
  const std::string transcript = Contents(log);
  EXPECT_NE(transcript.find("SET NW"), std::string::npos) << transcript;
  ExpectNoSecret("the transcript", transcript, "every run");
  std::remove(log.c_str());
}

}  // namespace
}  // namespace pelmora::testing
