#include "pelmora/simulator/EmbeddedPrintServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "pelmora/components/ConnectionLibrary.h"
#include "pelmora/platform/ErrorNumbers.h"
#include "support/PumpUntil.h"

namespace pelmora {
namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

// Sends a line and collects what arrives until the text ends with `until` or the limit passed.
std::string Exchange(PipeConnection& pipe, const std::string& text, std::string_view until,
                     milliseconds limit = milliseconds(2000)) {
  pipe.SendText(text, nullptr);
  std::string received;
  testing::PumpUntil(
      [&] {
        received += pipe.ReadText();
        return received.ends_with(until);
      },
      limit);
  return received;
}

// True when the connection reports the device's close at the next Poll.
bool DeviceClosedSession(PipeConnection& pipe) {
  bool closed = false;
  testing::PumpUntil([&] {
    try {
      pipe.Poll();
    } catch (const AutomationError& error) {
      closed = error.Number() == errors::kConnectionClosedByDevice;
      return true;
    }
    return false;
  });
  return closed;
}

TEST(EmbeddedPrintServerTest, WakeUpGetsThePromptAndExitEndsThePhysicalSession) {
  EmbeddedPrintServer server;
  auto pipe = server.Connection();
  EXPECT_EQ(server.Connection(), pipe);
  pipe->SetIsOpen(true);
  EXPECT_EQ(Exchange(*pipe, "\r", "Local> "), "\r\nLocal> ");

  EXPECT_EQ(Exchange(*pipe, "exit\r", "task\r\n"), "exit\r\nExit Configuration task\r\n");
  EXPECT_TRUE(DeviceClosedSession(*pipe));
  EXPECT_FALSE(pipe->SessionActive());

  pipe->SetIsOpen(false);
  pipe->SetIsOpen(true);
  EXPECT_EQ(pipe->SessionsOpened(), 2);
  EXPECT_EQ(Exchange(*pipe, "SH NW SSID\r", "Local> "),
            "SH NW SSID\r\nWiFi SSID: PrintNet\r\nLocal> ");
}

TEST(EmbeddedPrintServerTest, EveryPhysicalSessionStartsAFreshShellButKeepsTheDevice) {
  EmbeddedPrintServer server;
  // Set after the server exists: the shell still asks for it at the first session.
  server.State().SetShellPassword("secret");
  auto pipe = server.Connection();
  pipe->SetIsOpen(true);
  EXPECT_EQ(Exchange(*pipe, "\r", "Local: "), "\r\nLocal: ");
  Exchange(*pipe, "unpro\r", "Password> ");
  EXPECT_EQ(Exchange(*pipe, "secret\r", "Local> "), "\r\nLocal> ");
  Exchange(*pipe, "SET NW SSID Kept\r", "Local> ");
  // A partial line left behind must not leak into the next session.
  pipe->SendText("SH NW", nullptr);

  // The library ends the session itself, without "exit".
  ConnectionLibrary::TeardownConnection(pipe);
  pipe->SetIsOpen(true);
  EXPECT_EQ(Exchange(*pipe, "\r", "Local: "), "\r\nLocal: ");
  EXPECT_EQ(Exchange(*pipe, "SH NW SSID\r", "Local: "), "SH NW SSID\r\nWiFi SSID: Kept\r\nLocal: ");
  EXPECT_EQ(server.State().Running().ssid, "Kept");
}

TEST(EmbeddedPrintServerTest, DeliveryPlanDelaysAndCutsEachChunk) {
  EmbeddedPrintServer server;
  DeliveryPlan plan;
  plan.delay = milliseconds(40);
  plan.gap = milliseconds(20);
  plan.cutsAt = {3};  // just behind the echo of "\r" ("\r\n" is 2 bytes) and one more byte
  server.SetDelivery(plan);
  auto pipe = server.Connection();
  std::vector<std::string> pieces;
  std::vector<Clock::time_point> arrivals;
  auto token = pipe->OnReceive.Subscribe([&] {
    pieces.push_back(pipe->ReadText());
    arrivals.push_back(Clock::now());
  });
  pipe->SetIsOpen(true);

  const auto sent = Clock::now();
  pipe->SendText("\r", nullptr);
  ASSERT_TRUE(testing::PumpUntil([&] { return pieces.size() >= 2; }));
  EXPECT_EQ(pieces, (std::vector<std::string>{"\r\nL", "ocal> "}));
  EXPECT_GE(arrivals[0] - sent, plan.delay);
  EXPECT_GE(arrivals[1] - sent, plan.delay + plan.gap);

  // The close waits behind the output it follows.
  pieces.clear();
  pipe->SendText("exit\r", nullptr);
  EXPECT_TRUE(DeviceClosedSession(*pipe));
  std::string joined;
  for (const auto& piece : pieces) joined += piece;
  EXPECT_EQ(joined, "exit\r\nExit Configuration task\r\n");
}

TEST(EmbeddedPrintServerTest, RestartKeepsTheShellDeafForItsDelay) {
  EmbeddedPrintServer server;
  server.State().SetRestartDelay(milliseconds(80));
  auto pipe = server.Connection();
  pipe->SetIsOpen(true);
  Exchange(*pipe, "INI\r\r", "task\r\n");
  ASSERT_TRUE(DeviceClosedSession(*pipe));

  pipe->SetIsOpen(false);
  pipe->SetIsOpen(true);
  EXPECT_EQ(Exchange(*pipe, "\r", "Local> ", milliseconds(30)), "");
  testing::PumpUntil([&] { return server.Shell().State() != ShellEngine::ShellState::Restarting; });
  EXPECT_EQ(Exchange(*pipe, "\r", "Local> "), "\r\nLocal> ");
}

TEST(EmbeddedPrintServerTest, ConnectionOutlivesTheServerAndStaysSilent) {
  std::shared_ptr<PipeConnection> pipe;
  {
    EmbeddedPrintServer server;
    pipe = server.Connection();
    pipe->SetIsOpen(true);
    EXPECT_EQ(Exchange(*pipe, "\r", "Local> "), "\r\nLocal> ");
    pipe->SendText("\r", nullptr);  // its answer is still on the way
  }
  pipe->SendText("SH NW\r", nullptr);
  testing::PumpFor(milliseconds(20));
  EXPECT_EQ(pipe->ReadText(), "\r\nLocal> ");
  EXPECT_TRUE(pipe->SessionActive());
}

}  // namespace
}  // namespace pelmora
