// `pelmora sim` serving the simulated print server over telnet, used by other runs of the tool;
// and the --log transcript of such sessions, which never shows a secret.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "ToolProcess.h"

namespace pelmora::testing {
namespace {

using Json = nlohmann::json;
using namespace std::chrono_literals;

// A `pelmora sim` on a free loopback port, stopped at the end of the test.
class SimProcess {
 public:
  explicit SimProcess(std::vector<std::string> extra = {}) : process_(Arguments(extra)) {
    const auto line = process_.ReadLine(10s);
    EXPECT_TRUE(line.has_value()) << "sim printed nothing";
    line_ = line.value_or("");
    const auto colon = line_.find("127.0.0.1:");
    if (colon != std::string::npos) port_ = std::stoi(line_.substr(colon + 10));
  }

  ToolResult Stop(int signal) {
    process_.Signal(signal);
    return process_.Wait(5s).value_or(ToolResult{-1, "", "sim did not stop"});
  }

  std::string Address() const { return "127.0.0.1:" + std::to_string(port_); }
  const std::string& Line() const { return line_; }

  ToolResult Run(std::vector<std::string> arguments, const std::string& input = {}) const {
    arguments.insert(arguments.begin(), {"--host", Address()});
    return ToolProcess::Run(arguments, input);
  }

 private:
  static std::vector<std::string> Arguments(std::vector<std::string> extra) {
    extra.insert(extra.begin(), {"sim", "--listen", "127.0.0.1:0"});
    return extra;
  }

  ToolProcess process_;
  std::string line_;
  int port_ = 0;
};

std::string ReadFile(const std::string& path) {
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

std::string TempPath(const char* name) {
  const std::string path = ::testing::TempDir() + name + std::to_string(getpid());
  std::remove(path.c_str());
  return path;
}

TEST(Sim, ServesTheToolOverTelnetUntilInterrupted) {
  SimProcess sim;
  EXPECT_NE(sim.Line().find("listening on 127.0.0.1:"), std::string::npos) << sim.Line();

  ToolResult result = sim.Run({"get", "ssid"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, "PrintNet\n");

  result = sim.Run({"--json", "show", "version"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(Json::parse(result.out)["BootVersion"], "1.10");

  result = sim.Run({"--json", "get", "all"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(Json::parse(result.out).size(), 22u);

  result = sim.Run({"set", "channel", "11"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, "ok\n");

  const ToolResult stopped = sim.Stop(SIGINT);
  EXPECT_EQ(stopped.status, 0) << stopped.err;
}

TEST(Sim, PasswordMakesTheShellReadOnlyUntilLogin) {
  SimProcess sim({"--password", "Tr0ub4dor"});
  EXPECT_EQ(sim.Run({"readonly"}).out, "true\n");
  EXPECT_EQ(sim.Run({"--json", "--password", "Tr0ub4dor", "readonly"}).out,
            "{\n  \"readOnly\": false\n}\n");
  EXPECT_EQ(sim.Run({"--password", "wrong", "readonly"}).out, "true\n");

  const ToolResult refused = sim.Run({"set", "ssid", "Intruder"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.err.rfind("error 9998 (Command): ", 0), 0u) << refused.err;
  EXPECT_EQ(sim.Run({"--password", "Tr0ub4dor", "set", "ssid", "Friend"}).status, 0);
  EXPECT_EQ(sim.Stop(SIGTERM).status, 0);
}

TEST(Sim, TranscriptOfLoginAndSecretsShowsNeitherSecret) {
  SimProcess sim({"--password", "ShellPw-4711"});
  const std::string log = TempPath("pelmora-transcript");
  const std::vector<std::vector<std::string>> runs{
      {"--log", log, "--password", "ShellPw-4711", "set", "psk", "Psk-Value-0815"},
      {"--log", log, "login", "ShellPw-4711"},
      {"--log", log, "--password", "ShellPw-4711", "set", "wep-key", "3", "C0FFEE1234"},
      {"--log", log, "--password", "ShellPw-4711", "set", "password", "Eap-Pw-99"},
      {"--log", log, "--password", "ShellPw-4711", "set", "root-key", "DEADBEEF4711"},
  };
  for (const auto& run : runs) EXPECT_EQ(sim.Run(run).status, 0) << run.back();
  // The same secrets typed into the interactive shell.
  const ToolResult shell =
      sim.Run({"--log", log, "shell"}, "unpro\nShellPw-4711\nSET NW WPAPSK Psk-Value-0815\n");
  EXPECT_EQ(shell.status, 0);
  EXPECT_EQ(shell.err, "");

  const std::string transcript = ReadFile(log);
  for (const char* secret :
       {"ShellPw-4711", "Psk-Value-0815", "C0FFEE1234", "Eap-Pw-99", "DEADBEEF4711"}) {
    EXPECT_EQ(transcript.find(secret), std::string::npos) << secret << " in\n" << transcript;
  }
  // The dialogue itself is there, with time stamps, in both directions.
  EXPECT_NE(transcript.find(" > unpro\\r\n"), std::string::npos) << transcript;
  EXPECT_NE(transcript.find(" > ********\\r\n"), std::string::npos) << transcript;
  EXPECT_NE(transcript.find(" > SET NW WPAPSK ********\\r\n"), std::string::npos) << transcript;
  EXPECT_NE(transcript.find(" < SET NW WPAPSK ********\\r\\n\n"), std::string::npos);
  EXPECT_NE(transcript.find(" > SET NW KEY# 3\\r\n"), std::string::npos) << transcript;
  EXPECT_NE(transcript.find(" < Local> \n"), std::string::npos) << transcript;
  std::remove(log.c_str());
}

}  // namespace
}  // namespace pelmora::testing
