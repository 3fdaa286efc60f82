#include "pelmora/transport/TelnetConnection.h"

#include <gtest/gtest.h>

#include <asio/ip/tcp.hpp>
#include <asio/steady_timer.hpp>
#include <asio/write.hpp>

#include "pelmora/platform/Apartment.h"
#include "support/LoopbackListener.h"
#include "transport/PeerSupport.h"

namespace pelmora {
namespace {

using namespace std::string_literals;
using asio::ip::tcp;
using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

// A telnet device played by the test on the same apartment: every step pumps the apartment, so
// the connection under test and this server take turns on one thread.
struct ScriptedServer {
  ScriptedServer() {
    acceptor.open(tcp::v4());
    acceptor.bind(tcp::endpoint(asio::ip::address_v4::loopback(), 0));
    acceptor.listen();
  }

  int Port() const { return acceptor.local_endpoint().port(); }

  bool Accept() {
    client = std::make_shared<tcp::socket>(Apartment::Current().Context());
    auto done = std::make_shared<bool>(false);
    acceptor.async_accept(*client, [done, keep = client](std::error_code ec) { *done = !ec; });
    return testing::PumpUntil([&] { return *done; });
  }

  void Send(std::string_view bytes) { asio::write(*client, asio::buffer(bytes)); }

  std::string Receive(std::size_t count, milliseconds limit = milliseconds(2000)) {
    return testing::ReceiveFrom(client, count, limit);
  }

  bool SeesClientClose() {
    Receive(1 << 20);
    std::error_code ec;
    char probe = 0;
    client->non_blocking(true);
    client->read_some(asio::buffer(&probe, 1), ec);
    return ec == asio::error::eof;
  }

  tcp::acceptor acceptor{Apartment::Current().Context()};
  std::shared_ptr<tcp::socket> client;
};

struct TelnetConnectionTest : ::testing::Test {
  void SetUp() override {
    connection->SetIsOpen(true);
    ASSERT_TRUE(server.Accept());
  }
  ScriptedServer server;
  std::string endpoint = "127.0.0.1:" + std::to_string(server.Port());
  std::unique_ptr<TelnetConnection> connection =
      std::make_unique<TelnetConnection>("127.0.0.1", server.Port());
};

TEST_F(TelnetConnectionTest, NegotiatesKeepsTheSessionAcrossLogicalClosesAndEscapesOnly255) {
  // WILL ECHO, WILL SUPPRESS-GO-AHEAD, DO TERMINAL-TYPE and WILL LINEMODE before the prompt: the
  // first two are accepted, the others refused.
  server.Send("\xff\xfb\x01\xff\xfb\x03\xff\xfd\x18\xff\xfb\x22\r\nLocal> "s);
  EXPECT_EQ(server.Receive(12), "\xff\xfd\x01\xff\xfd\x03\xff\xfc\x18\xff\xfe\x22"s);
  EXPECT_EQ(testing::ReceiveText(*connection, 9), "\r\nLocal> ");

  // The protocol handler closes and opens around every command; the TCP session stays.
  connection->SetIsOpen(false);
  connection->SetIsOpen(true);
  connection->SendText("SET \xff\r", nullptr);
  connection->SendText("x\r\n", nullptr);
  EXPECT_EQ(server.Receive(10), "SET \xff\xff\rx\r\n");
  // The device doubles 255 in what it sends; the library sees it once.
  server.Send("A\xff\xff"s + "B\r\n");
  EXPECT_EQ(testing::ReceiveText(*connection, 5), "A\xff"s + "B\r\n");
}

TEST_F(TelnetConnectionTest, DeviceClosingMidAnswerRaisesAtNextPollAndNextOpenReconnects) {
  connection->SendText("SH NW\r", nullptr);
  EXPECT_EQ(server.Receive(6), "SH NW\r");
  server.Send("SH NW\r\r\nNetwork half");
  EXPECT_EQ(testing::ReceiveText(*connection, 20), "SH NW\r\r\nNetwork half");

  const auto dropped = Clock::now();
  server.client->close();
  const AutomationError raised = testing::LostSessionError(*connection);
  EXPECT_LT(Clock::now() - dropped, milliseconds(500));
  EXPECT_EQ(std::to_string(raised.Number()) + " " + raised.Source(), "3004 Connection");
  EXPECT_TRUE(raised.Description().starts_with(endpoint + ": ")) << raised.Description();
  EXPECT_THROW(connection->SendText("x", nullptr), AutomationError);

  connection->SetIsOpen(false);
  connection->SetIsOpen(true);
  ASSERT_TRUE(server.Accept());
  connection->SendText("SH VER\r", nullptr);
  EXPECT_EQ(server.Receive(7), "SH VER\r");
  EXPECT_NO_THROW(connection->Poll());

  // Ended by the device between commands, the session is opened again by the next command,
  // which sees no stale error.
  connection->SetIsOpen(false);
  server.client->close();
  testing::PumpFor(milliseconds(20));
  connection->SetIsOpen(true);
  ASSERT_TRUE(server.Accept());
  EXPECT_NO_THROW(connection->Poll());

  // Closing with the command unread resets the connection instead: the same error.
  connection->SendText("SH VER\r", nullptr);
  testing::PumpFor(milliseconds(10));
  server.client->close();
  EXPECT_EQ(testing::LostSessionError(*connection).Number(), 3004);
}

TEST_F(TelnetConnectionTest, IsBusyWhileTheSendQueueIsAboveItsLimit) {
  // Far more than the socket buffers hold while the device reads nothing.
  const std::string bulk(8 << 20, 'x');
  connection->SendText(bulk, nullptr);
  testing::PumpFor(milliseconds(30));
  EXPECT_TRUE(connection->IsBusy());
  EXPECT_EQ(server.Receive(bulk.size(), milliseconds(5000)).size(), bulk.size());
  EXPECT_TRUE(testing::PumpUntil([&] { return !connection->IsBusy(); }));
}

TEST_F(TelnetConnectionTest, ClosingOrDestroyingFromInsideOnReceiveIsSafe) {
  auto teardown = connection->OnReceive.Subscribe([&] { connection->Teardown(); });
  server.Send("prompt");
  ASSERT_TRUE(testing::PumpUntil([&] { return !connection->SessionActive(); }));
  EXPECT_EQ(connection->ReadText(), "prompt");
  EXPECT_TRUE(server.SeesClientClose());
  teardown.Reset();

  connection->SetIsOpen(true);
  ASSERT_TRUE(server.Accept());
  connection->SendText("pending write\r", nullptr);
  auto destroy = connection->OnReceive.Subscribe([&] { connection.reset(); });
  server.Send("bye");
  ASSERT_TRUE(testing::PumpUntil([&] { return connection == nullptr; }));
  EXPECT_TRUE(server.SeesClientClose());
  testing::PumpFor(milliseconds(20));
}

// "number description" of the error an open ends in, after `least` and before `most`.
std::string OpenFailure(TelnetConnection& connection, milliseconds least = {},
                        milliseconds most = milliseconds(500), milliseconds within = {}) {
  const auto started = Clock::now();
  const AutomationError error = testing::CatchError([&] { connection.OpenWithin(within); });
  const auto took = Clock::now() - started;
  EXPECT_GE(took, least);
  EXPECT_LT(took, most);
  EXPECT_FALSE(connection.SessionActive());
  EXPECT_FALSE(connection.IsBusy());
  EXPECT_EQ(error.Source(), "Connection");
  return std::to_string(error.Number()) + " " + error.Description();
}

// Failures that the system or the name server report end the opening at once, whatever the
// time limit, with the reason.
TEST(TelnetConnectFailureTest, ConnectFailuresEndAtOnceNamingTheEndpointAndTheReason) {
  const int closedPort = ScriptedServer().Port();
  const std::string closed = "127.0.0.1:" + std::to_string(closedPort) + ": ";
  TelnetConnection refused("127.0.0.1", closedPort);
  EXPECT_EQ(OpenFailure(refused), "3001 " + closed + "Connection refused");

  auto dialer = std::make_shared<testing::FaultyDialer>();
  dialer->connectError = asio::error::network_unreachable;
  TelnetConnection unreachable("127.0.0.1", closedPort);
  unreachable.SetDialer(dialer);
  EXPECT_EQ(OpenFailure(unreachable), "3001 " + closed + "Network is unreachable");

  dialer->lookupError = asio::error::host_not_found;
  TelnetConnection unknown("printer-3f", 23);
  unknown.SetDialer(dialer);
  EXPECT_EQ(OpenFailure(unknown), "3001 printer-3f:23: cannot resolve host name 'printer-3f': " +
                                      asio::error_code(asio::error::host_not_found).message());

  for (auto [host, port] :
       {std::pair<std::string, int>{"", 23}, {"127.0.0.1", 70000}, {"127.0.0.1", 0}}) {
    TelnetConnection invalid(host, port);
    EXPECT_TRUE(OpenFailure(invalid).starts_with("3009 ")) << port;
  }
}

// A connect that hangs and a name server that never answers end at the connect time limit, or
// at the opening command's shorter one; the connection reports itself busy meanwhile.
TEST(TelnetConnectFailureTest, ConnectAndLookupGiveUpAtTheTimeLimitAndAreBusyMeanwhile) {
  constexpr milliseconds kLimit{150};
  testing::Listener full(0);
  full.FillQueue();
  TelnetConnection unaccepted("127.0.0.1", full.port);
  auto dialer = std::make_shared<testing::FaultyDialer>();
  dialer->silentNameServer = true;
  TelnetConnection unanswered("printer-3f", 23);
  unanswered.SetDialer(dialer);

  // The unanswered lookup keeps the default 5 s connect limit and opens within the command's.
  unaccepted.SetConnectTimeLimit(kLimit);
  for (TelnetConnection* connection : {&unaccepted, &unanswered}) {
    const milliseconds within = connection == &unanswered ? kLimit : milliseconds(0);
    std::optional<bool> busyWhileConnecting;
    asio::steady_timer probe(Apartment::Current().Context(), kLimit / 3);
    probe.async_wait([&](std::error_code) { busyWhileConnecting = connection->IsBusy(); });
    // Generous for a loaded machine, yet far below a wait that ignores the limit.
    EXPECT_EQ(OpenFailure(*connection, kLimit, kLimit + milliseconds(400), within),
              "3002 " + connection->Endpoint() + ": connect timed out after 150 ms");
    EXPECT_EQ(busyWhileConnecting, std::optional<bool>(true));
  }
  EXPECT_FALSE(dialer->pending);
}

// Numbers need no lookup, names go to the shared lookup threads; either way the handler runs
// once, later, on the caller's loop, and a cancelled lookup ends at once.
TEST(TelnetDialer, AnswersOnTheCallersLoopOnceAndACancelledLookupEndsAborted) {
  const std::error_code found, missing = asio::error::host_not_found,
                               aborted = asio::error::operation_aborted;
  for (const auto& [host, cancel, expected] :
       std::vector<std::tuple<const char*, bool, std::error_code>>{
           {"127.0.0.1", false, found},
           {"localhost", false, found},
           {"no-such-host.invalid", false, missing},
           {"no-such-host.invalid", true, aborted}}) {
    TelnetDialer dialer;
    std::vector<std::pair<std::error_code, TelnetDialer::Endpoints>> answers;
    dialer.Resolve(host, "2323", [&answers](std::error_code error, auto endpoints) {
      answers.emplace_back(error, std::move(endpoints));
    });
    EXPECT_TRUE(answers.empty()) << host << ": answered inside the call";
    if (cancel) dialer.Cancel();
    ASSERT_TRUE(testing::PumpUntil([&] { return !answers.empty(); }, std::chrono::seconds(10)));
    testing::PumpFor(std::chrono::milliseconds(20));
    ASSERT_EQ(answers.size(), 1u) << host;
    // A missing name is "not found" or a failure of the name service, whichever it says.
    EXPECT_TRUE(expected == missing || answers[0].first == expected) << host;
    EXPECT_EQ(answers[0].first == found, expected == found) << answers[0].first.message();
    EXPECT_EQ(answers[0].second.empty(), expected != found) << host;
    for (const auto& endpoint : answers[0].second)
      EXPECT_TRUE(endpoint.address().is_loopback() && endpoint.port() == 2323) << host;
  }
}

}  // namespace
}  // namespace pelmora
