#include "pelmora/session/Session.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <functional>
#include <thread>

#include "pelmora/platform/Apartment.h"
#include "pelmora/platform/ErrorNumbers.h"
#include "pelmora/simulator/TelnetShellServer.h"
#include "pelmora/transport/TelnetConnection.h"
#include "support/ExpectError.h"
#include "support/LoopbackListener.h"
#include "transport/PeerSupport.h"

namespace pelmora {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testing::CatchError;
using testing::Listener;

Session::Options Cancelled(std::shared_ptr<CancelToken> token) {
  return {nullptr, false, std::move(token)};
}

Target HostOn(int port, std::int32_t timeoutMs = 10000) {
  Target target = Target::Host("127.0.0.1", port);
  target.timeoutMs = timeoutMs;
  return target;
}

// The token a signal handler cancels, and when the cancel was asked for.
std::atomic<CancelToken*> gSignalled{nullptr};
std::atomic<Clock::rep> gCancelAt{0};

extern "C" void CancelOnSignal(int) {
  if (auto* token = gSignalled.load()) token->Cancel();
}

// Cancels the token 30 ms from now, from another thread or through a signal to the process.
std::thread CancelSoon(const std::shared_ptr<CancelToken>& token, bool bySignal) {
  gSignalled = token.get();
  std::signal(SIGUSR1, CancelOnSignal);
  return std::thread([token, bySignal] {
    std::this_thread::sleep_for(30ms);
    gCancelAt = Clock::now().time_since_epoch().count();
    if (bySignal) {
      kill(getpid(), SIGUSR1);
    } else {
      token->Cancel();
    }
  });
}

struct WaitPoint {
  const char* name;
  // Waits on the given token until it is cancelled; returns the error.
  std::function<AutomationError(const std::shared_ptr<CancelToken>&)> wait;
};

const WaitPoint kWaitPoints[] = {
    {"name lookup",
     [](const std::shared_ptr<CancelToken>& token) {
       TelnetConnection connection("printer.invalid", 23);
       auto dialer = std::make_shared<testing::FaultyDialer>();
       dialer->silentNameServer = true;
       connection.SetDialer(dialer);
       connection.SetCancelToken(token);
       return CatchError([&] { connection.OpenWithin(10s); });
     }},
    {"connect to a full accept queue",
     [](const std::shared_ptr<CancelToken>& token) {
       Listener full(0);
       full.FillQueue();
       Session session(HostOn(full.port), Cancelled(token));
       return CatchError([&] { session.Open(); });
     }},
    {"command to a shell that never answers",
     [](const std::shared_ptr<CancelToken>& token) {
       Listener silent;
       Session session(HostOn(silent.port), Cancelled(token));
       return CatchError([&] { session.Device().GetSSID(); });
     }},
};

TEST(Session, CancelEndsEveryWaitWithin100msFromAnotherThreadOrASignal) {
  for (const auto& point : kWaitPoints) {
    for (const bool bySignal : {false, true}) {
      SCOPED_TRACE(std::string(point.name) + (bySignal ? " (signal)" : " (thread)"));
      const auto token = std::make_shared<CancelToken>();
      std::thread canceller = CancelSoon(token, bySignal);
      const AutomationError error = point.wait(token);
      const auto ended = Clock::now();
      canceller.join();
      EXPECT_EQ(error.Number(), errors::kCommandCancelled) << error.Description();
      EXPECT_LT(ended - Clock::time_point(Clock::duration(gCancelAt.load())), 100ms);
    }
  }
  gSignalled = nullptr;
}

// A cancel before a command ends it before its line is sent; one after a command leaves its
// result alone and fails the next at once.
TEST(Session, CancelBeforeOrAfterACommandSendsNothingMore) {
  TelnetShellServer server;
  server.Start();
  const auto transcriptPath = ::testing::TempDir() + "session-cancel.log";
  std::remove(transcriptPath.c_str());
  Session session(HostOn(server.Port()), {std::make_shared<Transcript>(transcriptPath), false, {}});
  session.Cancel();
  EXPECT_EQ(CatchError([&] { session.Device().GetSSID(); }).Number(), errors::kCommandCancelled);
  EXPECT_EQ(session.PhysicalSessions(), 0u);
  session.CancelHandle()->Reset();
  const std::string ssid = session.Device().GetSSID();
  EXPECT_FALSE(ssid.empty());
  session.Cancel();
  EXPECT_EQ(CatchError([&] { session.Device().GetWiFiChannel(); }).Number(),
            errors::kCommandCancelled);
  EXPECT_EQ(session.PhysicalSessions(), 1u);
  session.Close();
  {
    Transcript typed(transcriptPath);
    // A typed backslash is doubled, so that a typed "\r" stays apart from a real CR.
    typed.Note("typed \\r, sent \r");
    typed.Sent(" Unpro \r");  // however it was typed, the next line is the shell password
    typed.Sent("hush\r");
  }
  std::ifstream transcript(transcriptPath);
  const std::string text((std::istreambuf_iterator<char>(transcript)), {});
  EXPECT_EQ(text.find("SH NW CH"), std::string::npos) << text;
  EXPECT_NE(text.find(" typed \\\\r, sent \\r\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("hush"), std::string::npos) << text;
}

// A secret file loses the one line end that an editor or echo leaves, and nothing more.
TEST(Session, ASecretFileLosesOnlyItsFinalLineEnd) {
  const std::string path = ::testing::TempDir() + "session-secret.txt";
  using Row = std::pair<std::string, std::string>;
  const Row rows[] = {
      {"pw", "pw"}, {"pw\n", "pw"}, {"pw\r\n", "pw"}, {"pw\r", "pw"}, {"p\rw\n\n", "p\rw\n"}};
  for (const auto& [written, secret] : rows) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << written;
    EXPECT_EQ(SecretSource::File(path).Resolve(), secret) << ::testing::PrintToString(written);
  }
}

// Allowed (the Python module; the tool never reopens), a reopen counts as a physical session.
TEST(Session, AReopenCountsAsASecondPhysicalSession) {
  TelnetShellServer server;
  server.Start();
  Session session(HostOn(server.Port()), {nullptr, /*allowReopen=*/true, nullptr});
  session.Device().Command("exit\r");
  EXPECT_FALSE(session.Device().GetSSID().empty());
  EXPECT_EQ(session.PhysicalSessions(), 2u);
}

TEST(Session, AWrongPasswordFailsTheLoginAndTheRightOneLeavesReadOnly) {
  TelnetShellServer::Options options;
  options.password = "secret";
  TelnetShellServer server(options);
  server.Start();
  Target target = HostOn(server.Port());
  target.password = SecretSource::Literal("secreT");  // as long as the right one
  Session wrong(target, {});
  const AutomationError error = CatchError([&] { wrong.Login(); });
  EXPECT_EQ(error.Number(), errors::kLibraryError);
  EXPECT_EQ(error.Description().find("secreT"), std::string::npos);
  target.password = SecretSource::Literal("secret");
  Session right(target, {});
  right.Login();
  EXPECT_FALSE(right.Device().IsReadOnlyMode());
}

TEST(Session, ATargetThatCanNeverBeOpenedIsRefusedBeforeAnythingOpens) {
  const std::pair<const char*, std::function<Target()>> cases[] = {
      {"port", [] { return HostOn(70000); }},
      {"NUL", [] { return Target::Host(std::string("127.0.0.1\0junk", 14)); }},
      {"baud", [] { return Target::Serial("/dev/null", -5); }},
      {"time limit", [] { return HostOn(23, 0); }},
      {"framing delay",
       [] {
         Target target = HostOn(23);
         target.framingDelayMs = -1;
         return target;
       }},
      {"password file", [] {
         Target target = HostOn(23);
         target.password = SecretSource::File("/dev/zero");
         return target;
       }}};
  for (const auto& [name, make] : cases) {
    SCOPED_TRACE(name);
    EXPECT_THROW(Session(make(), {}), TargetError);
  }
}

}  // namespace
}  // namespace pelmora
