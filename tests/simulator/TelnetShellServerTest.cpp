#include "pelmora/simulator/TelnetShellServer.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <linux/tcp.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

namespace pelmora {
namespace {

using namespace std::string_literals;
using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

const std::string kOffers = "\xff\xfb\x01\xff\xfb\x03"s;  // WILL ECHO, WILL SUPPRESS-GO-AHEAD
const std::string kAccepted = "\xff\xfd\x01\xff\xfd\x03"s;

// A telnet client at the byte level: it shows every byte the server put on the wire.
class RawClient {
 public:
  explicit RawClient(std::uint16_t port) : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
    const sockaddr_in address{AF_INET, htons(port), {htonl(INADDR_LOOPBACK)}, {}};
    if (connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
      throw std::runtime_error("cannot connect");
  }
  ~RawClient() { close(fd_); }
  RawClient(const RawClient&) = delete;
  RawClient& operator=(const RawClient&) = delete;

  void Send(const std::string& bytes) {
    EXPECT_EQ(send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL), ssize_t(bytes.size()));
  }

  // Reads until the bytes hold `until` (to the end of the connection when empty), or a read
  // waited past the limit; returns the bytes read since the last call.
  std::string ReadUntil(const std::string& until, milliseconds limit = milliseconds(2000)) {
    const timeval wait{limit.count() / 1000, static_cast<suseconds_t>(limit.count() % 1000 * 1000)};
    setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    std::string read;
    char buffer[4096];
    for (ssize_t size = 1; size > 0 && (until.empty() || read.find(until) == std::string::npos);) {
      size = recv(fd_, buffer, sizeof buffer, 0);
      if (size > 0) read.append(buffer, size);
      closed = size == 0 || (size < 0 && errno == ECONNRESET);
    }
    return read;
  }

  std::uint32_t DataSegmentsIn() const {
    tcp_info info{};
    socklen_t size = sizeof info;
    getsockopt(fd_, IPPROTO_TCP, TCP_INFO, &info, &size);
    return info.tcpi_data_segs_in;
  }

  bool closed = false;  // the server ended the connection

 private:
  int fd_;
};

// A client that has taken the server's offers.
std::unique_ptr<RawClient> Connect(const TelnetShellServer& server) {
  auto client = std::make_unique<RawClient>(server.Port());
  EXPECT_EQ(client->ReadUntil(kOffers), kOffers);
  client->Send(kAccepted);
  return client;
}

// A bare LF ending a line is the codec's (TelnetCodecTest).
TEST(TelnetShellServerTest, OffersEchoAndSuppressGoAheadRefusesTheRestAndAnswers) {
  TelnetShellServer server;
  server.Start();
  auto client = Connect(server);
  // WILL TERMINAL-TYPE and DO LINEMODE are refused; the DO for the offers needs no answer.
  client->Send("\xff\xfb\x18\xff\xfd\x22SH NW SSID\r"s);
  EXPECT_EQ(client->ReadUntil("Local> "),
            "\xff\xfe\x18\xff\xfc\x22"s + "SH NW SSID\r\nWiFi SSID: PrintNet\r\nLocal> ");
  EXPECT_EQ(server.SessionCount(), 1U);

  client->Send("exit\n");
  EXPECT_EQ(client->ReadUntil(""), "exit\r\nExit Configuration task\r\n");
  EXPECT_TRUE(client->closed);
  // The session waits for the client's end of the connection, then ends.
  EXPECT_EQ(server.SessionCount(), 1U);
  client.reset();
  for (int i = 0; i < 100 && server.SessionCount() != 0; ++i)
    std::this_thread::sleep_for(milliseconds(5));
  EXPECT_EQ(server.SessionCount(), 0U);
}

// Without a gap between them, pieces still leave one by one, each its own write. The system may
// merge writes that queue up into one TCP segment, so only "more than one" is certain.
TEST(TelnetShellServerTest, SessionsHaveTheirOwnShellShareTheSavedConfigurationAndWritePieces) {
  TelnetShellServer::Options options;
  options.password = "pw";
  options.delivery.pieceSize = 1;
  TelnetShellServer server(options);
  server.Start();
  auto first = Connect(server);
  auto second = Connect(server);
  const auto segments = first->DataSegmentsIn();
  first->Send("unpro\rpw\r");
  EXPECT_EQ(first->ReadUntil("\r\nLocal> "), "unpro\r\nPassword> \r\nLocal> ");
  EXPECT_GT(first->DataSegmentsIn() - segments, 1U);
  EXPECT_EQ(server.SessionCount(), 2U);

  first->Send("SET NW SSID Shared\rSAVE\r\r");
  first->ReadUntil("Local> \r\nLocal> ");
  // The second session still runs what it loaded at connect (a new one loads the saved value:
  // RoundTripTest's reset).
  second->Send("SH NW SSID\r");
  EXPECT_EQ(second->ReadUntil("Local: "), "SH NW SSID\r\nWiFi SSID: PrintNet\r\nLocal: ");
}

TEST(TelnetShellServerTest, DeliveryPlanAndFaultsApplyToEverySession) {
  TelnetShellServer::Options options;
  options.delivery.delay = milliseconds(40);
  options.delivery.gap = milliseconds(60);
  options.delivery.cutsAt = {3};
  options.faults.strayBytesBeforeEcho = "~";
  TelnetShellServer server(options);
  server.Start();
  for (int session = 0; session < 2; ++session) {
    auto client = Connect(server);
    const auto sent = Clock::now();
    client->Send("\r");
    EXPECT_EQ(client->ReadUntil("Local> "), "~\r\nLocal> ");
    EXPECT_GE(Clock::now() - sent, options.delivery.delay + options.delivery.gap);

    // The connection ends only after the delayed farewell.
    client->Send("exit\r");
    EXPECT_EQ(client->ReadUntil(""), "~exit\r\nExit Configuration task\r\n");
    EXPECT_TRUE(client->closed);
  }
}

TEST(TelnetShellServerTest, RestartingDeviceTurnsConnectionsAwayForItsDelayAndStopEndsSessions) {
  TelnetShellServer::Options options;
  options.device = std::make_shared<PrintServerState>();
  options.device->SetRestartDelay(milliseconds(150));
  TelnetShellServer server(options);
  server.Start();
  auto client = Connect(server);
  client->Send("INI\r\r");
  client->ReadUntil("");
  EXPECT_TRUE(client->closed);

  RawClient early(server.Port());
  EXPECT_EQ(early.ReadUntil("", milliseconds(500)), "");
  EXPECT_TRUE(early.closed);
  std::this_thread::sleep_for(milliseconds(160));

  // Stop ends the sessions of the restarted device promptly; a second listener cannot start.
  auto first = Connect(server);
  auto second = Connect(server);

  TelnetShellServer::Options samePort;
  samePort.port = server.Port();
  TelnetShellServer rival(samePort);
  EXPECT_THROW(rival.Start(), std::runtime_error);

  const auto before = Clock::now();
  server.Stop();
  EXPECT_LT(Clock::now() - before, milliseconds(500));
  for (auto* client : {first.get(), second.get()}) {
    client->ReadUntil("", milliseconds(500));
    EXPECT_TRUE(client->closed);
  }
  EXPECT_EQ(server.SessionCount(), 0U);
  server.Stop();
}

}  // namespace
}  // namespace pelmora
