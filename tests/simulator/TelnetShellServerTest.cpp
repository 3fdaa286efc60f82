#include "pelmora/simulator/TelnetShellServer.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <asio/connect.hpp>
#include <asio/io_context.hpp>
#include <asio/ip/tcp.hpp>
#include <asio/write.hpp>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace pelmora {
namespace {

using namespace std::string_literals;
using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

// Telnet commands as they appear on the wire.
const std::string kWillEcho = "\xff\xfb\x01";
const std::string kWillSga = "\xff\xfb\x03";
const std::string kDoEcho = "\xff\xfd\x01";
const std::string kDoSga = "\xff\xfd\x03";

// A telnet client at the byte level, on the test thread's own loop: it sends raw bytes and
// shows every byte the server put on the wire, option negotiation included.
class RawClient {
 public:
  explicit RawClient(std::uint16_t port) {
    socket_.connect({asio::ip::make_address("127.0.0.1"), port});
  }

  void Send(const std::string& bytes) { asio::write(socket_, asio::buffer(bytes)); }

  // Reads until `received` holds `until` (from the start of the unread part); returns that part.
  std::string ReadUntil(const std::string& until, milliseconds limit = milliseconds(2000)) {
    const auto deadline = Clock::now() + limit;
    while (unread_.find(until) == std::string::npos && !closed_ && ReadSome(deadline)) {
    }
    return std::exchange(unread_, {});
  }

  // True when the server ended the connection within the limit; what came before is kept.
  bool WaitClosed(milliseconds limit = milliseconds(2000)) {
    const auto deadline = Clock::now() + limit;
    while (!closed_ && ReadSome(deadline)) {
    }
    return closed_;
  }

  std::string TakeUnread() { return std::exchange(unread_, {}); }
  // The sizes of the reads, to see how an answer arrived.
  const std::vector<std::string>& Reads() const { return reads_; }
  std::vector<Clock::time_point> arrivals;

 private:
  bool ReadSome(Clock::time_point deadline) {
    bool done = false;
    socket_.async_read_some(asio::buffer(buffer_), [&](std::error_code error, std::size_t size) {
      done = true;
      if (error) {
        closed_ = true;
        return;
      }
      reads_.emplace_back(buffer_.data(), size);
      arrivals.push_back(Clock::now());
      unread_.append(buffer_.data(), size);
    });
    io_.restart();
    io_.run_until(deadline);
    if (!done) {
      socket_.cancel();
      io_.restart();
      io_.run();
      return false;
    }
    return true;
  }

  asio::io_context io_;
  asio::ip::tcp::socket socket_{io_};
  std::array<char, 4096> buffer_{};
  std::string unread_;
  std::vector<std::string> reads_;
  bool closed_ = false;
};

// A client that has taken the server's offers and is at a prompt.
std::unique_ptr<RawClient> Connect(const TelnetShellServer& server) {
  auto client = std::make_unique<RawClient>(server.Port());
  client->ReadUntil(kWillEcho + kWillSga);
  client->Send(kDoEcho + kDoSga);
  return client;
}

TEST(TelnetShellServerTest, OffersEchoAndSuppressGoAheadRefusesTheRestAndAnswers) {
  TelnetShellServer server;
  server.Start();
  ASSERT_NE(server.Port(), 0);
  RawClient client(server.Port());
  EXPECT_EQ(client.ReadUntil(kWillEcho + kWillSga), kWillEcho + kWillSga);

  const std::string willTerminalType = "\xff\xfb\x18";
  const std::string doLinemode = "\xff\xfd\x22";
  client.Send(kDoEcho + kDoSga + willTerminalType + doLinemode + "SH NW SSID\r");
  // The DO for the offers needs no answer; the terminal type and line mode are refused.
  EXPECT_EQ(client.ReadUntil("Local> "),
            "\xff\xfe\x18"s + "\xff\xfc\x22"s + "SH NW SSID\r\nWiFi SSID: PrintNet\r\nLocal> ");
  EXPECT_EQ(server.SessionCount(), 1U);

  client.Send("exit\r");
  EXPECT_TRUE(client.WaitClosed());
  EXPECT_EQ(client.TakeUnread(), "exit\r\nExit Configuration task\r\n");
  for (int i = 0; i < 100 && server.SessionCount() != 0; ++i) {
    std::this_thread::sleep_for(milliseconds(5));
  }
  EXPECT_EQ(server.SessionCount(), 0U);
}

TEST(TelnetShellServerTest, SessionsHaveTheirOwnShellAndShareTheSavedConfiguration) {
  TelnetShellServer::Options options;
  options.password = "pw";
  TelnetShellServer server(options);
  server.Start();
  auto first = Connect(server);
  auto second = Connect(server);

  first->Send("unpro\rpw\r");
  EXPECT_EQ(first->ReadUntil("\r\nLocal> "), "unpro\r\nPassword> \r\nLocal> ");
  second->Send("\r");
  EXPECT_EQ(second->ReadUntil("Local: "), "\r\nLocal: ");
  EXPECT_EQ(server.SessionCount(), 2U);

  first->Send("SET NW SSID Shared\rSAVE\r\r");
  first->ReadUntil("Local> \r\nLocal> ");
  // The second session still runs what it loaded at connect; a new one loads the saved value.
  second->Send("SH NW SSID\r");
  EXPECT_EQ(second->ReadUntil("Local: "), "SH NW SSID\r\nWiFi SSID: PrintNet\r\nLocal: ");
  auto third = Connect(server);
  third->Send("SH NW SSID\r");
  EXPECT_EQ(third->ReadUntil("Local: "), "SH NW SSID\r\nWiFi SSID: Shared\r\nLocal: ");
}

TEST(TelnetShellServerTest, Byte255IsEscapedBothWays) {
  TelnetShellServer server;
  server.Start();
  auto client = Connect(server);
  client->Send("SET NW SSID a\xff\xff"s + "b\rSH NW SSID\r");
  EXPECT_EQ(client->ReadUntil("SSID: a\xff\xff"s + "b\r\nLocal> "),
            "SET NW SSID a\xff\xff"s + "b\r\nLocal> SH NW SSID\r\nWiFi SSID: a\xff\xff"s +
                "b\r\nLocal> ");
}

TEST(TelnetShellServerTest, GarbledTelnetSequencesAndCrNulLeaveTheSessionWorking) {
  TelnetShellServer server;
  server.Start();
  auto client = Connect(server);
  // An unknown command, an end of subnegotiation without its start, an empty subnegotiation,
  // a request for an unknown option, and a lone IAC at the end of a write.
  client->Send("\xff\x01\xff\xf0\xff\xfa\x18\xff\xf0\xff\xfd\x99\xff"s);
  client->Send("\xf1"s);  // completes the lone IAC as a no-operation
  // Telnet clients send a bare carriage return as CR NUL.
  client->Send("\r\0SH NW CH\r\0"s);
  EXPECT_EQ(client->ReadUntil("Channel: 6\r\nLocal> "),
            "\xff\xfc\x99"s + "\r\nLocal> SH NW CH\r\nChannel: 6\r\nLocal> ");
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
    const auto& reads = client->Reads();
    ASSERT_GE(reads.size(), 2U);
    EXPECT_EQ(reads[reads.size() - 2], "~\r\n");
    EXPECT_GE(client->arrivals.back() - sent, options.delivery.delay + options.delivery.gap);

    // The connection ends only after the delayed farewell.
    client->Send("exit\r");
    EXPECT_TRUE(client->WaitClosed());
    EXPECT_EQ(client->TakeUnread(), "~exit\r\nExit Configuration task\r\n");
  }
}

TEST(TelnetShellServerTest, RestartingDeviceTurnsConnectionsAwayForItsDelay) {
  TelnetShellServer::Options options;
  options.device = std::make_shared<PrintServerState>();
  options.device->SetRestartDelay(milliseconds(150));
  TelnetShellServer server(options);
  server.Start();
  auto client = Connect(server);
  client->Send("INI\r\r");
  EXPECT_TRUE(client->WaitClosed());

  RawClient early(server.Port());
  EXPECT_TRUE(early.WaitClosed(milliseconds(500)));
  EXPECT_EQ(early.TakeUnread(), "");
  std::this_thread::sleep_for(milliseconds(160));
  RawClient later(server.Port());
  EXPECT_EQ(later.ReadUntil(kWillEcho + kWillSga), kWillEcho + kWillSga);
}

TEST(TelnetShellServerTest, StopEndsConnectedSessionsPromptlyAndListeningTwiceFails) {
  TelnetShellServer server;
  server.Start();
  auto first = Connect(server);
  auto second = Connect(server);

  TelnetShellServer::Options samePort;
  samePort.port = server.Port();
  TelnetShellServer rival(samePort);
  EXPECT_THROW(rival.Start(), std::runtime_error);

  const auto before = Clock::now();
  server.Stop();
  EXPECT_LT(Clock::now() - before, milliseconds(500));
  EXPECT_TRUE(first->WaitClosed(milliseconds(500)));
  EXPECT_TRUE(second->WaitClosed(milliseconds(500)));
  EXPECT_EQ(server.SessionCount(), 0U);
  server.Stop();
}

TEST(TelnetShellServerTest, ServeRunsOnTheCallingThreadUntilAStopIsRequested) {
  TelnetShellServer server;
  std::thread serving([&] { server.Serve(); });
  for (int i = 0; i < 200 && server.Port() == 0; ++i) std::this_thread::sleep_for(milliseconds(5));
  ASSERT_NE(server.Port(), 0);
  auto client = Connect(server);
  client->Send("\r");
  EXPECT_EQ(client->ReadUntil("Local> "), "\r\nLocal> ");
  server.RequestStop();
  serving.join();
  EXPECT_TRUE(client->WaitClosed(milliseconds(500)));
}

// Runs a program with the given stdin text and returns its output once `expected` shows up, it
// exits or the limit passes. Stdin stays open meanwhile: some clients quit at its end.
std::string RunWithInput(std::vector<std::string> argv, const std::string& input,
                         const std::string& expected, milliseconds limit) {
  int in[2];
  int out[2];
  if (::pipe(in) != 0 || ::pipe(out) != 0) throw std::runtime_error("pipe");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, out[1], 2);
  std::vector<char*> args;
  for (auto& arg : argv) args.push_back(arg.data());
  args.push_back(nullptr);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(in[0]);
  ::close(out[1]);
  if (spawned != 0) throw std::runtime_error("cannot start " + argv[0]);
  [[maybe_unused]] const auto written = ::write(in[1], input.data(), input.size());

  std::string output;
  const auto deadline = Clock::now() + limit;
  while (output.find(expected) == std::string::npos && Clock::now() < deadline) {
    pollfd ready{out[0], POLLIN, 0};
    const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now());
    if (::poll(&ready, 1, static_cast<int>(left.count()) + 1) <= 0) continue;
    char buffer[1024];
    const auto size = ::read(out[0], buffer, sizeof buffer);
    if (size <= 0) break;
    output.append(buffer, static_cast<std::size_t>(size));
  }
  ::close(in[1]);
  ::close(out[0]);
  ::kill(pid, SIGKILL);
  ::waitpid(pid, nullptr, 0);
  return output;
}

TEST(TelnetShellServerTest, RealTelnetClientGetsTheAnswers) {
  if (::access("/usr/bin/telnet", X_OK) != 0) GTEST_SKIP() << "no telnet client installed";
  TelnetShellServer server;
  server.Start();
  const std::string output =
      RunWithInput({"/usr/bin/telnet", "127.0.0.1", std::to_string(server.Port())},
                   "SH NW SSID\nexit\n", "Exit Configuration task", milliseconds(5000));
  EXPECT_NE(output.find("SH NW SSID\r\nWiFi SSID: PrintNet\r\nLocal> "), std::string::npos)
      << output;
  EXPECT_EQ(output.find("%cfgerr"), std::string::npos) << output;
  EXPECT_NE(output.find("Exit Configuration task"), std::string::npos) << output;
}

}  // namespace
}  // namespace pelmora
