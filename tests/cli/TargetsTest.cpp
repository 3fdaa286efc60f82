// The tool's real targets beyond telnet's answers: the simulated print server's shell on a
// serial line (a pseudo-terminal pair), unusable serial paths, and the waits that the command's
// time limit or Ctrl-C cut short.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>

#include "FakePrintServer.h"
#include "ToolProcess.h"
#include "endtoend/PtyPrintServer.h"

namespace pelmora::testing {
namespace {

using Clock = std::chrono::steady_clock;

// Far longer than any delay of a loaded machine, far shorter than the limits the waits are given.
constexpr auto kPromptly = 5s;

TEST(Targets, ToolRunsGetSetShowAndReportsShellErrorsOverASerialLine) {
  PtyPrintServer device(std::make_shared<PrintServerState>());
  auto run = [&](std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {"--serial", device.Path()});
    return ToolProcess::Run(arguments);
  };
  EXPECT_EQ(run({"get", "ssid"}).out, "PrintNet\n");
  const ToolResult set = run({"set", "ssid", "Serial-Net"});
  EXPECT_EQ(set.status, 0) << set.err;
  EXPECT_EQ(run({"get", "ssid"}).out, "Serial-Net\n");
  EXPECT_EQ(run({"show", "version"}).out,
            "ProductName: Pelmora T2 Wireless Print Server\nFirmwareVersion: 6.02 (2006-03-14)\n"
            "BootVersion: 1.10\n");
  const ToolResult refused = run({"cmd", "SH NW NONSENSE"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.err, "error 9998 (Command): Device reported error: Unknown command\n");
}

TEST(Targets, SerialPathThatIsMissingOrNoTerminalGivesTheConnectionErrorNamingIt) {
  const std::string plainFile = TempPath("not-a-tty");
  std::ofstream{plainFile};
  for (const auto& [path, reason] :
       {std::pair<std::string, std::string>{"/nonexistent/ttyS9", "No such file or directory"},
        {plainFile, "Inappropriate ioctl for device"}}) {
    const ToolResult result = ToolProcess::Run({"--serial", path, "get", "ssid"});
    EXPECT_EQ(result.status, 1) << path;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "error 3007 (Connection): " + path + ": " + reason + "\n");
  }
  std::remove(plainFile.c_str());
}

TEST(Targets, CommandTimeLimitBoundsTheConnectAndTheWaitForAnAnswer) {
  // A listener with backlog 0 whose one place is taken drops further connection requests: the
  // connect neither succeeds nor fails.
  const Listener listener(0);
  const int filler = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{AF_INET, htons(listener.port), {htonl(INADDR_LOOPBACK)}, {}};
  ASSERT_EQ(connect(filler, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  auto started = Clock::now();
  ToolResult result =
      ToolProcess::Run({"--host", listener.Address(), "--timeout", "300", "get", "ssid"});
  // Far below the 5 s connect limit, with room for a loaded machine.
  EXPECT_LT(Clock::now() - started, 2500ms);
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "error 3002 (Connection): " + listener.Address() +
                            ": connect timed out after 300 ms\n");
  close(filler);

  FakePrintServer device(FakePrintServer::Mode::Silent);
  started = Clock::now();
  result = ToolProcess::Run({"--host", device.Address(), "--timeout", "200", "get", "ssid"});
  // Without the limit the wait would take the tool's default of ten seconds.
  EXPECT_GE(Clock::now() - started, 200ms);
  EXPECT_LT(Clock::now() - started, 200ms + kPromptly);
  EXPECT_EQ(result.status, 1);
  EXPECT_TRUE(result.err.starts_with("error 119 (")) << result.err;
}

TEST(Targets, CtrlCCancelsAWaitingCommandLongBeforeItsLimit) {
  // A setting (carries the progress object), a dialogue (runs without one in the library) and a
  // report, in text and JSON, with and without a progress display.
  for (auto command : std::vector<std::vector<std::string>>{
           {"get", "ssid"}, {"--no-progress", "save"}, {"--json", "show", "ip"}}) {
    const std::string shown = ::testing::PrintToString(command);
    FakePrintServer device(FakePrintServer::Mode::Silent);
    command.insert(command.begin(), {"--host", device.Address(), "--timeout", "60000"});
    ToolProcess tool(command);
    ASSERT_TRUE(device.WaitForReceived("\r", 10s)) << shown << ": the tool sent nothing";
    const auto interrupted = Clock::now();
    tool.Signal(SIGINT);
    const ToolResult result = tool.Wait(kPromptly);
    EXPECT_LT(Clock::now() - interrupted, kPromptly) << shown;
    EXPECT_TRUE(device.WaitForClientClose(kPromptly)) << shown << ": the session was not closed";
    EXPECT_EQ(result.status, 1) << shown << result.err;
    if (command[4] == "--json") {
      EXPECT_EQ(result.json()["error"]["number"], 113) << result.out;
    } else {
      EXPECT_EQ(result.err, "error 113 (ProtocolHandler:Query Method): Command cancelled\n")
          << shown;
    }
  }
}

}  // namespace
}  // namespace pelmora::testing
