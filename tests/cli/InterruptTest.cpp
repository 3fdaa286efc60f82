// Ctrl-C while a command waits on a device that does not answer: the command ends with 113,
// the session is closed and the tool exits with 1, long before the command's time limit.
#include <gtest/gtest.h>

#include <csignal>
#include <nlohmann/json.hpp>

#include "FakePrintServer.h"
#include "ToolProcess.h"

namespace pelmora::testing {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Far longer than any delay of a loaded machine, far shorter than the limits the waits are given.
constexpr auto kPromptly = 5s;

TEST(Interrupt, CtrlCCancelsAWaitingCommandLongBeforeItsLimit) {
  // A setting (carries the progress object), a dialogue (runs without one in the library) and a
  // report, in text and JSON, with and without a progress display.
  const std::vector<std::vector<std::string>> commands{
      {"get", "ssid"}, {"--no-progress", "save"}, {"--json", "show", "ip"}};
  for (auto command : commands) {
    const std::string shown = ::testing::PrintToString(command);
    FakePrintServer device(FakePrintServer::Mode::Silent);
    command.insert(command.begin(), {"--host", device.Address(), "--timeout", "60000"});
    ToolProcess tool(command);
    ASSERT_TRUE(device.WaitForReceived("\r", 10s)) << shown << ": the tool sent nothing";
    const auto interrupted = Clock::now();
    tool.Signal(SIGINT);
    const ToolResult result =
        tool.Wait(kPromptly).value_or(ToolResult{-1, "", "the tool did not end"});
    EXPECT_LT(Clock::now() - interrupted, kPromptly) << shown;
    EXPECT_TRUE(device.WaitForClientClose(kPromptly)) << shown << ": the session was not closed";
    EXPECT_EQ(result.status, 1) << shown << result.err;
    if (command[4] == "--json") {
      EXPECT_EQ(nlohmann::json::parse(result.out, nullptr, false)["error"]["number"], 113)
          << result.out;
    } else {
      EXPECT_EQ(result.err, "error 113 (ProtocolHandler:Query Method): Command cancelled\n")
          << shown;
    }
  }
}

TEST(Interrupt, ATimeLimitEndsTheWaitWithoutCtrlC) {
  FakePrintServer device(FakePrintServer::Mode::Silent);
  const auto start = Clock::now();
  const ToolResult result =
      ToolProcess::Run({"--host", device.Address(), "--timeout", "200", "get", "ssid"});
  // Without the limit the wait would take the tool's default of ten seconds.
  EXPECT_GE(Clock::now() - start, 200ms);
  EXPECT_LT(Clock::now() - start, 200ms + kPromptly);
  EXPECT_EQ(result.status, 1);
  EXPECT_TRUE(result.err.starts_with("error 119 (")) << result.err;
}

}  // namespace
}  // namespace pelmora::testing
