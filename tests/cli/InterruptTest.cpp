// Ctrl-C while a command waits on a device that does not answer: the command ends with 113,
// the session is closed and the tool exits with 1, all within a second.
#include <gtest/gtest.h>

#include <csignal>
#include <nlohmann/json.hpp>

#include "FakePrintServer.h"
#include "ToolProcess.h"

namespace pelmora::testing {
namespace {

using namespace std::chrono_literals;

// Runs the command against a silent device, interrupts it once its first line was sent, and
// returns what the tool left and how long it took from the interrupt to the end.
ToolResult Interrupted(std::vector<std::string> arguments, std::chrono::milliseconds& took,
                       bool& sessionClosed) {
  FakePrintServer device(FakePrintServer::Mode::Silent);
  arguments.insert(arguments.begin(), {"--host", device.Address()});
  ToolProcess tool(arguments);
  EXPECT_TRUE(device.WaitForReceived("\r", 10s)) << "the tool sent nothing";
  const auto start = std::chrono::steady_clock::now();
  tool.Signal(SIGINT);
  const auto result = tool.Wait(5s);
  took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               start);
  sessionClosed = device.WaitForClientClose(1s);
  return result.value_or(ToolResult{-1, "", "the tool did not end"});
}

TEST(Interrupt, CtrlCCancelsAWaitingCommandWithinASecond) {
  // A setting (carries the progress object), a dialogue (runs without one in the library) and a
  // report, in text and JSON, with and without a progress display.
  const std::vector<std::vector<std::string>> commands{
      {"get", "ssid"}, {"--no-progress", "save"}, {"--json", "show", "ip"}};
  for (const auto& command : commands) {
    std::chrono::milliseconds took{};
    bool closed = false;
    const ToolResult result = Interrupted(command, took, closed);
    const std::string shown = ::testing::PrintToString(command);
    EXPECT_EQ(result.status, 1) << shown << result.err;
    EXPECT_LT(took, 1000ms) << shown;
    EXPECT_TRUE(closed) << shown << ": the session was not closed";
    if (command[0] == "--json") {
      EXPECT_EQ(nlohmann::json::parse(result.out)["error"]["number"], 113) << result.out;
    } else {
      EXPECT_EQ(result.err, "error 113 (ProtocolHandler:Query Method): Command cancelled\n")
          << shown;
    }
  }
}

TEST(Interrupt, ATimeLimitEndsTheWaitWithoutCtrlC) {
  FakePrintServer device(FakePrintServer::Mode::Silent);
  const auto start = std::chrono::steady_clock::now();
  const ToolResult result =
      ToolProcess::Run({"--host", device.Address(), "--timeout", "200", "get", "ssid"});
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err.rfind("error 119 (", 0), 0u) << result.err;
}

}  // namespace
}  // namespace pelmora::testing
