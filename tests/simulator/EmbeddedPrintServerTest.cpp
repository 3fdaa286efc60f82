#include "pelmora/simulator/EmbeddedPrintServer.h"

#include <gtest/gtest.h>

#include "pelmora/components/ConnectionLibrary.h"
#include "pelmora/platform/ErrorNumbers.h"
#include "transport/PeerSupport.h"

namespace pelmora {
namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

std::string Exchange(PipeConnection& pipe, const std::string& text, std::string_view until,
                     milliseconds limit = milliseconds(2000)) {
  pipe.SendText(text, nullptr);
  std::string received;
  testing::PumpUntil([&] { return (received += pipe.ReadText()).ends_with(until); }, limit);
  return received;
}

TEST(EmbeddedPrintServerTest, EveryPhysicalSessionStartsAFreshShellButKeepsTheDevice) {
  EmbeddedPrintServer server;
  // Set after the server exists: the shell still asks for it at the first session.
  server.State().SetShellPassword("secret");
  auto pipe = server.Connection();
  EXPECT_EQ(server.Connection(), pipe);
  pipe->SetIsOpen(true);
  EXPECT_EQ(Exchange(*pipe, "\runpro\r", "Password> "), "\r\nLocal: unpro\r\nPassword> ");
  EXPECT_EQ(Exchange(*pipe, "secret\r", "Local> "), "\r\nLocal> ");
  Exchange(*pipe, "SET NW SSID Kept\r", "Local> ");
  // A partial line left behind must not leak into the next session.
  pipe->SendText("SH NW", nullptr);

  // The library ends the session itself, without "exit".
  ConnectionLibrary::TeardownConnection(pipe);
  pipe->SetIsOpen(true);
  EXPECT_EQ(Exchange(*pipe, "\rSH NW SSID\r", "Kept\r\nLocal: "),
            "\r\nLocal: SH NW SSID\r\nWiFi SSID: Kept\r\nLocal: ");
  EXPECT_EQ(pipe->SessionsOpened(), 2);
  // "exit" and INI end the physical session from the device's side: the tests below.
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
  std::vector<Clock::duration> arrivals;
  const auto sent = Clock::now();
  auto token = pipe->OnReceive.Subscribe([&] {
    pieces.push_back(pipe->ReadText());
    arrivals.push_back(Clock::now() - sent);
  });
  pipe->SetIsOpen(true);
  pipe->SendText("\r", nullptr);
  ASSERT_TRUE(testing::PumpUntil([&] { return pieces.size() >= 2; }));
  EXPECT_EQ(pieces, (std::vector<std::string>{"\r\nL", "ocal> "}));
  EXPECT_GE(arrivals[0], plan.delay);
  EXPECT_GE(arrivals[1], plan.delay + plan.gap);

  // The close waits behind the output it follows.
  pieces.clear();
  pipe->SendText("exit\r", nullptr);
  EXPECT_EQ(testing::LostSessionError(*pipe).Number(), errors::kConnectionClosedByDevice);
  EXPECT_EQ(pieces, (std::vector<std::string>{"exi", "t\r\nExit Configuration task\r\n"}));
}

TEST(EmbeddedPrintServerTest, RestartKeepsTheShellDeafForItsDelay) {
  EmbeddedPrintServer server;
  const milliseconds delay(80);
  server.State().SetRestartDelay(delay);
  auto pipe = server.Connection();
  pipe->SetIsOpen(true);
  const auto reset = Clock::now();
  Exchange(*pipe, "INI\r\r", "task\r\n");
  ASSERT_EQ(testing::LostSessionError(*pipe).Number(), errors::kConnectionClosedByDevice);

  // Lines sent while the device restarts go unanswered; the first answer can only come once the
  // delay is over, however slowly this test runs.
  pipe->SetIsOpen(false);
  pipe->SetIsOpen(true);
  std::string answer;
  for (int tries = 0; answer.empty() && tries < 100; ++tries)
    answer = Exchange(*pipe, "\r", "Local> ", milliseconds(30));
  EXPECT_GE(Clock::now() - reset, delay);
  EXPECT_EQ(answer, "\r\nLocal> ");
}

TEST(EmbeddedPrintServerTest, ConnectionOutlivesTheServerAndStaysSilent) {
  std::shared_ptr<PipeConnection> pipe;
  {
    EmbeddedPrintServer server;
    pipe = server.Connection();
    pipe->SetIsOpen(true);
    pipe->SendText("\r", nullptr);  // its answer is on the way when the server goes
  }
  EXPECT_EQ(Exchange(*pipe, "SH NW\r", "Local> "), "\r\nLocal> ");
  testing::PumpFor(milliseconds(20));
  EXPECT_EQ(pipe->ReadText(), "");
  EXPECT_TRUE(pipe->SessionActive());
}

using Pieces = std::vector<std::string>;

TEST(DeliveryPlanTest, SplitCutsBySizeAndAtOffsets) {
  const std::string chunk = "SH NW CH\r\nChannel: 6\r\nLocal> ";
  DeliveryPlan plan;
  EXPECT_EQ(plan.Split(chunk), Pieces{chunk});
  EXPECT_TRUE(plan.Split("").empty());

  plan.cutsAt = {5, 10, 0, 500};  // incomplete echo, echo complete, rest; 0 and 500 are outside
  EXPECT_EQ(plan.Split(chunk), (Pieces{"SH NW", " CH\r\n", "Channel: 6\r\nLocal> "}));

  plan.cutsAt.clear();
  plan.pieceSize = 8;
  EXPECT_EQ(plan.Split(chunk), (Pieces{"SH NW CH", "\r\nChanne", "l: 6\r\nLo", "cal> "}));

  plan.cutsAt = {10};
  EXPECT_EQ(plan.Split(chunk), (Pieces{"SH NW CH", "\r\n", "Channe", "l: 6\r\nLo", "cal> "}));
}

}  // namespace
}  // namespace pelmora
