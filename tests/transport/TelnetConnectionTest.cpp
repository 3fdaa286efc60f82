#include "pelmora/transport/TelnetConnection.h"

#include <gtest/gtest.h>

#include <asio/ip/tcp.hpp>
#include <asio/steady_timer.hpp>
#include <asio/write.hpp>
#include <memory>
#include <optional>

#include "pelmora/platform/Apartment.h"
#include "support/PumpUntil.h"
#include "transport/PeerSupport.h"

namespace pelmora {
namespace {

using asio::ip::tcp;
using std::chrono::milliseconds;

constexpr char kIac = '\xff';
constexpr char kWill = '\xfb';
constexpr char kWont = '\xfc';
constexpr char kDo = '\xfd';
constexpr char kDont = '\xfe';
constexpr char kEcho = '\x01';
constexpr char kSga = '\x03';
constexpr char kTtype = '\x18';
constexpr char kLinemode = '\x22';

// A telnet device played by the test on the same apartment: every step pumps the apartment, so
// the connection under test and this server take turns on one thread.
class ScriptedServer {
 public:
  explicit ScriptedServer(int backlog = asio::socket_base::max_listen_connections)
      : acceptor_(Apartment::Current().Context()) {
    acceptor_.open(tcp::v4());
    acceptor_.bind(tcp::endpoint(asio::ip::address_v4::loopback(), 0));
    acceptor_.listen(backlog);
  }

  int Port() const { return acceptor_.local_endpoint().port(); }

  bool Accept() {
    client_ = std::make_shared<tcp::socket>(Apartment::Current().Context());
    auto done = std::make_shared<bool>(false);
    acceptor_.async_accept(*client_, [done, client = client_](std::error_code ec) { *done = !ec; });
    return testing::PumpUntil([&] { return *done; });
  }

  // True when a connection waits in the kernel's queue (the client opened a new session).
  bool HasWaitingClient() {
    tcp::socket probe(Apartment::Current().Context());
    std::error_code ec;
    acceptor_.non_blocking(true);
    acceptor_.accept(probe, ec);
    acceptor_.non_blocking(false);
    return !ec;
  }

  void Send(std::string_view bytes) { asio::write(*client_, asio::buffer(bytes)); }

  std::string Receive(std::size_t count, milliseconds limit = milliseconds(2000)) {
    return testing::ReceiveFrom(client_, count, limit);
  }

  // True when the client has closed its end (what remains unread is discarded).
  bool SeesClientClose() {
    Receive(1 << 20);
    std::error_code ec;
    std::array<char, 1> probe{};
    client_->non_blocking(true);
    client_->read_some(asio::buffer(probe), ec);
    return ec == asio::error::eof;
  }

  void Drop() { client_->close(); }

 private:
  tcp::acceptor acceptor_;
  std::shared_ptr<tcp::socket> client_;
};

TEST(TelnetConnectionTest, NegotiatesKeepsTheSessionAcrossLogicalClosesAndEscapesOnly255) {
  ScriptedServer server;
  TelnetConnection connection("127.0.0.1", server.Port());
  connection.SetIsOpen(true);
  ASSERT_TRUE(server.Accept());

  server.Send(std::string(
      {kIac, kWill, kEcho, kIac, kWill, kSga, kIac, kDo, kTtype, kIac, kWill, kLinemode}));
  server.Send("\r\nLocal> ");
  EXPECT_EQ(server.Receive(12), std::string({kIac, kDo, kEcho, kIac, kDo, kSga, kIac, kWont, kTtype,
                                             kIac, kDont, kLinemode}));
  EXPECT_EQ(testing::ReceiveText(connection, 9), "\r\nLocal> ");

  // The protocol handler closes and opens around every command; the TCP session stays.
  connection.SetIsOpen(false);
  connection.SetIsOpen(true);
  EXPECT_FALSE(server.HasWaitingClient());
  connection.SendText("SET \xff\r", nullptr);
  connection.SendText("x\r\n", nullptr);
  EXPECT_EQ(server.Receive(10), "SET \xff\xff\rx\r\n");

  // The device doubles 255 in what it sends; the library sees it once.
  server.Send(
      "A\xff\xff"
      "B\r\n");
  EXPECT_EQ(testing::ReceiveText(connection, 5),
            "A\xff"
            "B\r\n");
}

TEST(TelnetConnectionTest, DeviceClosingMidAnswerRaisesAtNextPollAndNextOpenReconnects) {
  ScriptedServer server;
  TelnetConnection connection("127.0.0.1", server.Port());
  connection.SetIsOpen(true);
  ASSERT_TRUE(server.Accept());
  connection.SendText("SH NW\r", nullptr);
  EXPECT_EQ(server.Receive(6), "SH NW\r");
  server.Send("SH NW\r\r\nNetwork half");
  EXPECT_EQ(testing::ReceiveText(connection, 20), "SH NW\r\r\nNetwork half");

  const auto dropped = std::chrono::steady_clock::now();
  server.Drop();
  const auto raised = testing::PollUntilRaised(connection);
  ASSERT_TRUE(raised.has_value());
  EXPECT_LT(std::chrono::steady_clock::now() - dropped, milliseconds(500));
  EXPECT_EQ(raised->Number(), 3004);
  EXPECT_EQ(raised->Source(), "Connection");
  EXPECT_EQ(raised->Description().rfind("127.0.0.1:" + std::to_string(server.Port()) + ": ", 0),
            0U);
  EXPECT_THROW(connection.SendText("x", nullptr), AutomationError);

  connection.SetIsOpen(false);
  connection.SetIsOpen(true);
  ASSERT_TRUE(server.Accept());
  connection.SendText("SH NW\r", nullptr);
  EXPECT_EQ(server.Receive(6), "SH NW\r");
  EXPECT_NO_THROW(connection.Poll());

  // Closing with the command unread resets the connection instead: the same error.
  connection.SendText("SH VER\r", nullptr);
  testing::PumpFor(milliseconds(10));
  server.Drop();
  const auto reset = testing::PollUntilRaised(connection);
  ASSERT_TRUE(reset.has_value());
  EXPECT_EQ(reset->Number(), 3004);
}

TEST(TelnetConnectionTest, ConnectFailuresNameTheEndpointAndTheReason) {
  int closedPort = 0;
  {
    ScriptedServer gone;
    closedPort = gone.Port();
  }
  TelnetConnection connection("127.0.0.1", closedPort);
  const auto started = std::chrono::steady_clock::now();
  const auto refused = testing::OpenError(connection);
  ASSERT_TRUE(refused.has_value());
  EXPECT_EQ(refused->Number(), 3001);
  EXPECT_EQ(refused->Source(), "Connection");
  EXPECT_EQ(refused->Description(),
            "127.0.0.1:" + std::to_string(closedPort) + ": Connection refused");
  EXPECT_LT(std::chrono::steady_clock::now() - started, milliseconds(500));
  EXPECT_FALSE(connection.SessionActive());
  EXPECT_FALSE(connection.IsBusy());

  TelnetConnection noHost("", 23);
  TelnetConnection badPort("127.0.0.1", 70000);
  EXPECT_EQ(testing::OpenError(noHost).value_or(refused.value()).Number(), 3009);
  EXPECT_EQ(testing::OpenError(badPort).value_or(refused.value()).Number(), 3009);
}

// A listener with backlog 0 whose queue is already full drops further connection requests, so
// the connect neither succeeds nor fails: only the time limit ends it.
TEST(TelnetConnectionTest, ConnectGivesUpAtItsTimeLimitAndIsBusyMeanwhile) {
  ScriptedServer full(0);
  tcp::socket filler(Apartment::Current().Context());
  filler.connect(tcp::endpoint(asio::ip::address_v4::loopback(), full.Port()));

  TelnetConnection connection("127.0.0.1", full.Port());
  connection.SetConnectTimeLimit(milliseconds(150));
  std::optional<bool> busyWhileConnecting;
  asio::steady_timer probe(Apartment::Current().Context(), milliseconds(50));
  probe.async_wait([&](std::error_code) { busyWhileConnecting = connection.IsBusy(); });

  const auto started = std::chrono::steady_clock::now();
  const auto timedOut = testing::OpenError(connection);
  ASSERT_TRUE(timedOut.has_value());
  EXPECT_EQ(timedOut->Number(), 3002);
  EXPECT_EQ(timedOut->Description().rfind("127.0.0.1:", 0), 0U);
  const auto elapsed = std::chrono::steady_clock::now() - started;
  EXPECT_GE(elapsed, milliseconds(150));
  EXPECT_LT(elapsed, milliseconds(1000));
  EXPECT_EQ(busyWhileConnecting, std::optional<bool>(true));
  EXPECT_FALSE(connection.IsBusy());
}

TEST(TelnetConnectionTest, IsBusyWhileTheSendQueueIsAboveItsLimit) {
  ScriptedServer server;
  TelnetConnection connection("127.0.0.1", server.Port());
  connection.SetIsOpen(true);
  ASSERT_TRUE(server.Accept());
  EXPECT_FALSE(connection.IsBusy());

  // Far more than the socket buffers hold while the device reads nothing.
  const std::string bulk(8 << 20, 'x');
  connection.SendText(bulk, nullptr);
  testing::PumpFor(milliseconds(30));
  EXPECT_TRUE(connection.IsBusy());

  EXPECT_EQ(server.Receive(bulk.size(), milliseconds(5000)).size(), bulk.size());
  EXPECT_TRUE(testing::PumpUntil([&] { return !connection.IsBusy(); }));
}

TEST(TelnetConnectionTest, ClosingOrDestroyingFromInsideOnReceiveIsSafe) {
  ScriptedServer server;
  auto connection = std::make_unique<TelnetConnection>("127.0.0.1", server.Port());
  connection->SetIsOpen(true);
  ASSERT_TRUE(server.Accept());
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

}  // namespace
}  // namespace pelmora
