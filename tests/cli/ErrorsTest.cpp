// Exit status 2 for a command line the tool cannot carry out, 1 for an automation error; then a
// shell on a serial line (a pseudo-terminal), unusable serial paths, waits cut short.
#include <algorithm>

#include "FakePrintServer.h"
#include "support/PtyPrintServer.h"

namespace pelmora::testing {
namespace {

TEST(Errors, UsageErrorsExitWithTwoBeforeAnythingIsSent) {
  FakePrintServer device;
  // An unknown setting, a missing value or key value, a set-only setting, bad options.
  for (const char* line :
       {"get colour", "set ssid", "set wep-key 2", "get password", "show status", "frobnicate", "",
        "--timeout 0 get ssid", "--framing-delay -1 get ssid", "--host 127.0.0.1:99999 get ssid",
        "--serial /dev/null --sim get ssid", "--log /nonexistent-dir/transcript get ssid"}) {
    std::vector<std::string> arguments = Words(line);
    // Aimed at the device, so that anything sent would show; cases that name a target keep it.
    if (std::ranges::count(arguments, "--host") + std::ranges::count(arguments, "--serial") == 0)
      arguments.insert(arguments.begin(), {"--host", device.Address()});
    const ToolResult result = ToolProcess::Run(arguments);
    EXPECT_EQ(result.status, 2) << line << result.err;
    EXPECT_EQ(result.out, "") << line;
    EXPECT_TRUE(result.err.starts_with("pelmora: ") && result.err.size() > 10)
        << line << result.err;
  }
  EXPECT_EQ(device.Received(), "");
  // The exporter's own address is checked before its inventory is read; a simulator serves one
  // device at least.
  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{"exporter", "--inventory", "/nonexistent.toml", "--listen",
                                 "127.0.0.1:99999"},
        {"sim", "--count", "0"},
        {"--host", "", "get", "ssid"},
        {"--serial", "", "get", "ssid"}})
    EXPECT_EQ(ToolProcess::Run(arguments).status, 2) << arguments[0];
}

TEST(Errors, GetAllReportsAFailedGetterAndReadsTheOthers) {
  FakePrintServer device;
  device.Answer({"SH NW RTS", "WiFi RTS Threshold = off", "SH NW SSID", "WiFi SSID: Shop",
                 "SH NW AUTH", "Authentication type= WPA-TTLS", "SH NW MO", "Wifi mode = bridge",
                 "SH NW CERTEXP", "3", "SH IP ME", "STATIC", "SH IP AD", "10.0.0.5", "SH IP SU",
                 "255.0.0.0", "SH IP RO", "10.0.0.1"});
  const ToolResult text = ToolProcess::Run({"--host", device.Address(), "get", "all"});
  const ToolResult json = ToolProcess::Run({"--json", "--host", device.Address(), "get", "all"});
  EXPECT_EQ(text.status, 1);
  EXPECT_TRUE(Has(text.out, "mode: unrecognized\n"));
  EXPECT_TRUE(Has(text.out, "auth-type: open+ttls\n"));
  EXPECT_EQ(text.out.find("rts-threshold"), std::string::npos) << text.out;
  EXPECT_NE(text.err.find("rts-threshold: error 13 ("), std::string::npos) << text.err;

  EXPECT_EQ(json.status, 1);
  const Json all = json.json();
  ASSERT_EQ(all.size(), 21u);
  EXPECT_EQ(std::ranges::count_if(all, [](const Json& r) { return r.contains("value"); }), 20);
  EXPECT_EQ(all[5]["error"]["number"], 13);
  EXPECT_EQ(all[9], Json::parse(R"({"name": "auth-type", "value": 10, "text": "open+ttls"})"));
}

using Clock = std::chrono::steady_clock;

// Far longer than any delay of a loaded machine, far shorter than the limits the waits are given.
constexpr auto kPromptly = 5s;

TEST(Targets, ToolRunsGetSetShowAndReportsShellErrorsInTextAndJsonOverASerialLine) {
  PtyPrintServer device(std::make_shared<PrintServerState>());
  auto run = [&](std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {"--serial", device.Path()});
    return ToolProcess::Run(arguments);
  };
  EXPECT_EQ(run({"get", "ssid"}).out, "PrintNet\n");
  EXPECT_EQ(run({"set", "ssid", "Serial-Net"}).out, "ok\n");
  EXPECT_EQ(run({"get", "ssid"}).out, "Serial-Net\n");
  EXPECT_TRUE(run({"show", "version"}).out.ends_with("\nBootVersion: 1.10\n"));
  const ToolResult refused = run({"cmd", "SH NW NONSENSE"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.out, "");
  EXPECT_EQ(refused.err, "error 9998 (Command): Device reported error: Unknown command\n");
  const ToolResult json = run({"--json", "cmd", "SH NW NONSENSE"});
  EXPECT_EQ(json.status, 1);
  EXPECT_EQ(json.err, "");
  EXPECT_EQ(json.json(), Json::parse(R"({"error": {"number": 9998, "source": "Command",
      "description": "Device reported error: Unknown command"}})"));
}

TEST(Targets, SerialPathThatIsMissingOrNoTerminalGivesTheConnectionErrorNamingIt) {
  const TempFile plainFile;  // an empty file
  for (const auto& [path, reason] :
       {std::pair<std::string, std::string>{"/nonexistent/ttyS9", "No such file or directory"},
        {plainFile.path, "Inappropriate ioctl for device"}}) {
    const ToolResult result = ToolProcess::Run({"--serial", path, "get", "ssid"});
    EXPECT_EQ(result.status, 1) << path;
    EXPECT_EQ(result.out + result.err, "error 3007 (Connection): " + path + ": " + reason + "\n");
  }
}

TEST(Targets, CommandTimeLimitBoundsTheConnectAndTheWaitForAnAnswer) {
  // A listener whose accept queue is full drops further connection requests: the connect
  // neither succeeds nor fails.
  Listener listener(0);
  listener.FillQueue();
  auto started = Clock::now();
  ToolResult result =
      ToolProcess::Run({"--host", listener.Address(), "--timeout", "300", "get", "ssid"});
  // Far below the 5 s connect limit, with room for a loaded machine.
  EXPECT_LT(Clock::now() - started, 2500ms);
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "error 3002 (Connection): " + listener.Address() +
                            ": connect timed out after 300 ms\n");

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

// How many connects to the loopback port wait for an answer to their first packet.
int ConnectsWaiting(int port) {
  std::ifstream table("/proc/net/tcp");
  std::string line;
  char remote[16];
  std::snprintf(remote, sizeof remote, "0100007F:%04X", port);
  int waiting = 0;
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string slot, local, peer, state;
    fields >> slot >> local >> peer >> state;
    if (peer == remote && state == "02") ++waiting;  // SYN_SENT
  }
  return waiting;
}

// Ctrl-C or SIGTERM while the tool connects, alone or in a fleet, or while a fleet host pauses
// before a retry; the fleet's fourth host, waiting for a free worker, is never started.
TEST(Targets, ASignalEndsAConnectOrARetryPauseAtOnceWith113) {
  Listener full(0), unstarted;
  full.FillQueue();
  const std::string refused = "127.0.0.1:1";  // nothing listens on port 1: refused
  const Inventory inventory(Host("a", full.Address()) + Host("b", full.Address()) +
                            Host("c", refused) + Host("d", unstarted.Address()));
  const std::vector<std::pair<std::vector<std::string>, int>> runs{
      {{"--host", full.Address(), "--json", "get", "ssid"}, SIGINT},
      {{"--host", full.Address(), "--json", "save"}, SIGTERM},
      {inventory.Args({"--retries", "5", "--workers", "3", "--json", "get", "ssid"}), SIGINT},
  };
  for (const auto& [arguments, signal] : runs) {
    const std::string shown = ::testing::PrintToString(arguments);
    // The queue's fillers that did not get a place wait too.
    const int connects = ConnectsWaiting(full.port) + (arguments[0] == "--inventory" ? 2 : 1);
    ToolProcess tool(arguments);
    const auto giveUp = Clock::now() + 10s;
    while (ConnectsWaiting(full.port) < connects && Clock::now() < giveUp)
      std::this_thread::sleep_for(5ms);
    std::this_thread::sleep_for(50ms);  // the fleet's third host is past its refused connect
    const auto interrupted = Clock::now();
    tool.Signal(signal);
    const ToolResult result = tool.Wait(5s);
    EXPECT_LT(Clock::now() - interrupted, 500ms) << shown;
    EXPECT_EQ(result.status, 1) << shown << result.err;
    Json document = result.json();
    std::vector<Json> errors{document["error"]};
    if (document.contains("hosts")) {
      errors.clear();
      for (auto& host : document["hosts"]) errors.push_back(host["error"]);
      EXPECT_EQ(errors.size(), 4u) << result.out;
      EXPECT_EQ(errors.back()["source"], "pelmora") << result.out;
    }
    for (auto& error : errors) EXPECT_EQ(error["number"], 113) << shown << result.out;
  }
  pollfd connected{unstarted.fd, POLLIN, 0};
  EXPECT_EQ(poll(&connected, 1, 0), 0) << "the fourth host was started";
}

// A connect that timed out sent nothing: the host is tried again, after 250 and 500 ms.
TEST(Targets, AConnectThatTimedOutIsRetried) {
  Listener full(0);
  full.FillQueue();
  const Inventory inventory(Host("a", full.Address()));
  const auto start = Clock::now();
  const ToolResult result =
      ToolProcess::Run(inventory.Args({"--retries", "2", "--timeout", "200", "get", "ssid"}));
  EXPECT_GE(Clock::now() - start, 1100ms);
  EXPECT_TRUE(result.err.starts_with("a: error 3002 (")) << result.err;
}

TEST(Sim, AnInterruptRightAfterTheListeningLineStopsItCleanly) {
  for (int attempt = 0; attempt < 20; ++attempt) {
    ToolProcess sim({"sim", "--listen", "127.0.0.1:0", "--count", "2"});
    ASSERT_TRUE(sim.ReadLine(10s)) << attempt;
    sim.Signal(SIGINT);
    EXPECT_EQ(sim.Wait(5s).status, 0) << attempt;
  }
}

}  // namespace
}  // namespace pelmora::testing
