// `pelmora sim` serving the simulated print server over telnet, used by other runs of the tool;
// and secrets given to those runs, which show neither on their output nor in the --log
// transcript.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "SimProcess.h"
#include "ToolProcess.h"

namespace pelmora::testing {
namespace {

using Json = nlohmann::json;
using namespace std::chrono_literals;

struct SecretRun {
  std::vector<std::string> arguments;
  int status;
  std::string input = "";
};

TEST(Sim, ServesTheToolUntilInterruptedAndNoSecretShowsOnOutputOrInTheTranscript) {
  const std::string pw = "ShellPw-4711";
  SimProcess sim({"--password", pw});
  const std::string log = ::testing::TempDir() + "pelmora-transcript" + std::to_string(getpid());
  std::remove(log.c_str());
  const ToolResult all = sim.Run({"--json", "get", "all"});
  EXPECT_EQ(all.status, 0) << all.err;
  EXPECT_EQ(Json::parse(all.out, nullptr, false).size(), 22u);
  EXPECT_EQ(sim.Run({"get", "ssid"}).out, "PrintNet\n");
  // The shell stays read-only without the right password.
  EXPECT_EQ(sim.Run({"readonly"}).out, "true\n");
  EXPECT_EQ(sim.Run({"--password", "wrong", "readonly"}).out, "true\n");
  EXPECT_TRUE(sim.Run({"set", "ssid", "Intruder"}).err.starts_with("error 9998 (Command): "));
  EXPECT_EQ(sim.Run({"--json", "--password", pw, "readonly"}).out, "{\n  \"readOnly\": false\n}\n");
  const std::vector<SecretRun> runs{
      // Refused by the read-only shell; the rest log in first.
      {{"set", "psk", "Psk-Value-0815"}, 1},
      {{"--password", pw, "set", "psk", "Psk-Value-0815"}, 0},
      {{"--json", "--password", pw, "set", "wep-key", "3", "C0FFEE1234"}, 0},
      {{"--password", pw, "set", "password", "Eap-Pw-99"}, 0},
      {{"--password", pw, "set", "root-key", "DEADBEEF4711"}, 0},
      {{"login", pw}, 0},
      {{"--json", "login", pw}, 0},
      // Refused by the device (too short for a PSK), as text and as JSON.
      {{"--password", pw, "set", "psk", "shortPk"}, 1},
      {{"--json", "--password", pw, "set", "psk", "shortPk"}, 1},
      // Refused by the tool or the library before anything is sent.
      {{"--password", pw, "set", "psk", "Psk-Value-0815\rSAVE"}, 1},
      {{"login", pw + "\nexit"}, 1},
      // The same secrets typed into the interactive shell.
      {{"shell"}, 0, "unpro\n" + pw + "\nSET NW WPAPSK Psk-Value-0815\nSET NW KEYVAL C0FFEE1234\n"},
  };
  const std::vector<std::string> secrets{pw,          "Psk-Value-0815", "C0FFEE1234",
                                         "Eap-Pw-99", "DEADBEEF4711",   "shortPk"};
  auto expectNoSecret = [&](const std::string& text, const std::string& where) {
    for (const auto& secret : secrets) {
      EXPECT_EQ(text.find(secret), std::string::npos) << secret << " in " << where << ":\n" << text;
    }
  };
  for (auto run : runs) {
    const std::string shown = ::testing::PrintToString(run.arguments);
    run.arguments.insert(run.arguments.begin(), {"--log", log});
    const ToolResult result = sim.Run(run.arguments, run.input);
    EXPECT_EQ(result.status, run.status) << shown << result.err;
    expectNoSecret(result.out + result.err, shown);
  }

  std::ifstream file(log);
  std::stringstream transcript;
  transcript << file.rdbuf();
  expectNoSecret(transcript.str(), "the transcript");
  // The dialogue itself is there, with time stamps, in both directions.
  for (const char* line :
       {" > unpro\\r\n", " > ********\\r\n", " > SET NW WPAPSK ********\\r\n",
        " < SET NW WPAPSK ********\\r\\n\n", " > SET NW KEY# 3\\r\n", " < Local> \n"}) {
    EXPECT_NE(transcript.str().find(line), std::string::npos) << line << " in\n"
                                                              << transcript.str();
  }
  std::remove(log.c_str());
  EXPECT_EQ(sim.Stop(SIGINT).status, 0);
}

}  // namespace
}  // namespace pelmora::testing
