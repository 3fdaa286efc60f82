// One command across a fleet: `pelmora sim --count` hosts, plus hosts that are down, appear late
// or never answer.
#include <sys/stat.h>

#include <filesystem>
#include <set>

#include "FakePrintServer.h"

namespace pelmora::testing {
namespace {

// `pelmora sim --count N` and the inventory it wrote; more hosts may be added to it.
struct SimFleet : Inventory {
  explicit SimFleet(int count, const std::vector<std::string>& extra = {})
      : sim(SimProcess::With({"--count", std::to_string(count), "--write-inventory", path},
                             extra)) {}
  SimProcess sim;
};

std::set<std::string> HostNames(const ToolResult& result) {
  std::set<std::string> names;
  const Json document = result.json();
  for (const auto& host : document["hosts"]) names.insert(host["name"]);
  return names;
}

// The fleet's JSON with each host's times, target and error text checked and taken out.
Json Shape(Json document) {
  for (auto& host : document["hosts"]) {
    EXPECT_TRUE(host["elapsed_ms"].is_number_integer()) << host;
    EXPECT_TRUE(host["target"].get<std::string>().starts_with("127.0.0.1:")) << host;
    EXPECT_TRUE(host.contains("error") || host.contains("result")) << host;
    if (host.contains("error")) {
      host["error"] =
          host["error"]["number"].dump() + " (" + host["error"]["source"].get<std::string>() + ")";
    }
    host.erase("elapsed_ms");
    host.erase("target");
  }
  return document;
}

TEST(Fleet, OneUnreachableHostFailsAloneInTextAndInJson) {
  const std::string pw = "Fleet-Pw-1";
  SimFleet fleet(3, {"--password", pw});
  fleet.Add(Host("gone", "127.0.0.1:1"));  // nothing listens on port 1: refused
  // A host that never answers ends at its own time limit, taken from the inventory.
  FakePrintServer mute(FakePrintServer::Mode::Silent);
  fleet.Add(Host("mute", mute.Address()) + "timeout = 200\n");
  const std::string logs = TempPath("fleet-logs");
  const auto start = std::chrono::steady_clock::now();
  const ToolResult text = fleet.Run({"--log-dir", logs, "get", "ssid"});
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
  EXPECT_EQ(text.status, 1);
  for (const char* line : {"sim-1: PrintNet\n", "sim-2: PrintNet\n", "sim-3: PrintNet\n"})
    EXPECT_TRUE(Has(text.out, line));  // in the order the hosts finish
  EXPECT_TRUE(text.out.ends_with("5 hosts: 3 ok, 2 failed\n")) << text.out;
  EXPECT_TRUE(Has(text.err, "gone: error 3001 (Connection): "));
  EXPECT_NE(text.err.find("mute: error 119 ("), std::string::npos) << text.err;
  // One transcript per host, the inventory's password masked.
  const std::string transcript = ReadFile(logs + "/sim-2.log");
  EXPECT_TRUE(Has(transcript, " > unpro\\r\n"));
  EXPECT_TRUE(Has(transcript, " > ********\\r\n"));
  EXPECT_EQ(transcript.find(pw), std::string::npos) << transcript;
  EXPECT_EQ(ReadFile(logs + "/sim-1.log").find(ReadFile(logs + "/sim-3.log")), std::string::npos);
  std::filesystem::remove_all(logs);

  const ToolResult json = fleet.Run({"--json", "get", "ssid"});
  EXPECT_EQ(json.status, 1);
  EXPECT_EQ(Shape(json.json()), Json::parse(R"j({"hosts": [
      {"name": "sim-1", "ok": true, "result": {"name": "ssid", "value": "PrintNet"}},
      {"name": "sim-2", "ok": true, "result": {"name": "ssid", "value": "PrintNet"}},
      {"name": "sim-3", "ok": true, "result": {"name": "ssid", "value": "PrintNet"}},
      {"name": "gone", "ok": false, "error": "3001 (Connection)"},
      {"name": "mute", "ok": false, "error": "119 (ProtocolHandler:Query Method)"}],
      "summary": {"total": 5, "ok": 3, "failed": 2}})j"));

  // A transcript that cannot be written fails its host in the tool's words, on one line.
  std::filesystem::create_directories(logs + "/gone.log");
  const Json refused =
      fleet.Run({"--json", "--limit", "gone", "--log-dir", logs, "get", "ssid"}).json();
  const std::string why = refused["hosts"][0]["error"]["description"];
  EXPECT_TRUE(Has(why, "gone.log") && !why.ends_with("\n")) << why;
  std::filesystem::remove_all(logs);
}

TEST(Fleet, LimitAndShardChooseHostsAndBadChoicesSendNothing) {
  SimFleet fleet(4);
  fleet.Add(Host("extra", "127.0.0.1:1"));
  // By name and by group; the unreachable host is never chosen.
  const ToolResult limited =
      fleet.Run({"--json", "--limit", "sim-2", "--limit", "sim", "--limit", "sim-4", "readonly"});
  EXPECT_EQ(limited.status, 0) << limited.err;
  EXPECT_EQ(HostNames(limited), (std::set<std::string>{"sim-1", "sim-2", "sim-3", "sim-4"}));

  // Each share holds the hosts whose names fall into it, and no others.
  for (const auto& [shard, names] : std::vector<std::pair<std::string, std::set<std::string>>>{
           {"1/3", {"sim-3"}}, {"2/3", {"sim-2", "sim-4"}}, {"3/3", {"sim-1"}}}) {
    const ToolResult share = fleet.Run({"--json", "--limit", "sim", "--shard", shard, "readonly"});
    EXPECT_EQ(share.status, 0) << shard << share.err;
    EXPECT_EQ(HostNames(share), names) << shard;
  }

  for (const char* bad :
       {"--limit nowhere readonly", "--shard 0/2 readonly", "--shard 3 readonly",
        "--workers 0 readonly", "set channel abc", "set discarded-messages 3", "shell"}) {
    const ToolResult refused = fleet.Run(Words(bad));
    EXPECT_EQ(refused.status, 2) << bad;
    EXPECT_EQ(refused.out, "") << bad;
  }
  EXPECT_NE(fleet.Run({"--limit", "nowhere", "readonly"}).err.find("'nowhere'"), std::string::npos);
  fleet.Add(Host("bad", "127.0.0.1:0"));
  const ToolResult inventory = fleet.Run({"readonly"});
  EXPECT_EQ(inventory.status, 2);
  EXPECT_TRUE(Has(inventory.err, ".toml:"));
  EXPECT_TRUE(Has(inventory.err, ": bad port in '127.0.0.1:0'"));
  EXPECT_EQ(inventory.out, "");
}

TEST(Fleet, ProfilesAreBackedUpComparedAndAppliedPerHost) {
  SimFleet fleet(3);
  const std::string dir = TempPath("fleet-profiles");
  const ToolResult backup = fleet.Run({"backup", "--out-dir", dir});
  EXPECT_EQ(backup.status, 0) << backup.err;
  for (const char* name : {"sim-1", "sim-2", "sim-3"})
    EXPECT_TRUE(Has(ReadFile(dir + "/" + name + ".toml"), "ssid = \"PrintNet\""));
  const std::string profile = dir + "/office.toml";
  std::ofstream(profile) << "ssid = \"Office\"\n";
  EXPECT_EQ(fleet.Run({"--limit", "sim-2", "apply", "--save", profile}).status, 0);
  // Only sim-2 holds the profile now: the fleet's diff says some host would change.
  const ToolResult diff = fleet.Run({"--json", "diff", profile});
  EXPECT_EQ(diff.status, 3) << diff.err;
  EXPECT_EQ(diff.json()["hosts"][0]["result"]["changes"][0]["action"], "change");
  EXPECT_EQ(diff.json()["hosts"][1]["result"]["changes"][0]["action"], "keep");
  EXPECT_EQ(fleet.Run({"--limit", "sim-2", "diff", profile}).status, 0);
  EXPECT_EQ(fleet.Run({"backup", "--out-dir", dir, "extra.toml"}).status, 2);
  std::filesystem::remove_all(dir);
}

// The profile and its secret file are read once: rewriting them while the first host waits
// changes nothing for the hosts after it.
TEST(Fleet, EveryHostGetsThePlanOfTheProfileAsItWasWhenTheRunStarted) {
  FakePrintServer mute(FakePrintServer::Mode::Silent);
  SimFleet fleet(2);
  const Inventory inventory(Host("mute", mute.Address()) + ReadFile(fleet.path));
  const TempFile secret("First-Psk-123\n");
  const TempFile profile("channel = 5\npsk = { file = \"" + secret.path + "\" }\n");
  ToolProcess run(
      inventory.Args({"--workers", "1", "--timeout", "500", "--json", "diff", profile.path}));
  ASSERT_TRUE(mute.WaitForReceived("\r", 10s));
  std::ofstream(profile.path) << "channel = 7\n";
  std::remove(secret.path.c_str());
  const Json hosts = run.Wait(10s).json()["hosts"];
  ASSERT_EQ(hosts.size(), 3u);
  for (int i : {1, 2}) {
    EXPECT_EQ(hosts[i]["result"]["changes"][0]["to"], 5) << hosts[i];
    EXPECT_EQ(hosts[i]["result"]["changes"][1]["name"], "psk") << hosts[i];
  }
}

TEST(Fleet, CommandLineOptionsWinOverTheInventoryAndOneFileForAllIsRefused) {
  SimFleet fleet(1, {"--password", "Right-Pw"});
  FakePrintServer mute(FakePrintServer::Mode::Silent);
  fleet.Add(Host("mute", mute.Address()) + "timeout = 3000\n");
  fleet.Add(Host("again", fleet.sim.Endpoint()) + "password = \"Wrong-Pw\"\n");
  const auto start = std::chrono::steady_clock::now();
  const ToolResult run =
      fleet.Run({"--timeout", "200", "--password", "Right-Pw", "--json", "readonly"});
  EXPECT_LT(std::chrono::steady_clock::now() - start, 2500ms);
  EXPECT_EQ(run.json()["hosts"][1]["error"]["number"], 119) << run.out;
  EXPECT_EQ(run.json()["hosts"][2]["result"]["readOnly"], false) << run.out;

  for (const auto& [arguments, names] :
       std::vector<std::pair<std::vector<std::string>, std::string>>{
           {{"backup", "all.toml"}, "--out-dir"},
           {{"--log", "all.log", "get", "ssid"}, "--log-dir"},
           {{"sim"}, "--write-inventory"}}) {
    const ToolResult refused = fleet.Run(arguments);
    EXPECT_EQ(refused.status, 2) << names;
    EXPECT_TRUE(Has(refused.err, names)) << refused.err;
    EXPECT_EQ(refused.out, "");
  }
  // More workers than the open-file limit allows are lowered, and said so.
  const ToolResult bounded =
      ToolProcess(fleet.Args({"--workers", "500", "--limit", "sim", "readonly"}), "", PELMORA_TOOL,
                  256)
          .Wait(20s);
  EXPECT_TRUE(Has(bounded.err, "--workers 500 lowered to 28: the open-file limit (256)"))
      << bounded.err;
}

TEST(Fleet, SimServesManyServersOnFewFilesAndItsInventoryKeepsAnyPasswordPrivate) {
  const Inventory inventory;
  const std::string password = "q\"uote\\back\x01ctl";
  // Some 300 listeners and the process's own files fit in 400 descriptors.
  ToolProcess sim({"sim", "--listen", "127.0.0.1:0", "--count", "300", "--write-inventory",
                   inventory.path, "--password", password},
                  "", PELMORA_TOOL, 400);
  ASSERT_TRUE(sim.ReadLine(20s));
  struct stat status {};
  ASSERT_EQ(stat(inventory.path.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0600u);
  const ToolResult run =
      inventory.Run({"--workers", "1", "--limit", "sim-001", "--limit", "sim-300", "readonly"});
  EXPECT_EQ(run.out, "sim-001: false\nsim-300: false\n2 hosts: 2 ok, 0 failed\n") << run.err;
  sim.Signal(SIGINT);
  EXPECT_EQ(sim.Wait(5s).status, 0);
}

TEST(Fleet, RetriesReachAHostWhoseListenerAppearsLate) {
  // The port stays bound but not listening (connects are refused) until the sim takes it, so
  // that no connection made meanwhile, by the run or by anything else, takes it as its own.
  const int held = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in bound = Listener::Loopback(0);
  socklen_t size = sizeof bound;
  ASSERT_EQ(bind(held, reinterpret_cast<sockaddr*>(&bound), size), 0);
  getsockname(held, reinterpret_cast<sockaddr*>(&bound), &size);
  const std::string address = "127.0.0.1:" + std::to_string(ntohs(bound.sin_port));
  const Inventory inventory(Host("late", address));
  // Without retries the host is down; with them the run waits for it.
  EXPECT_EQ(inventory.Run({"get", "ssid"}).status, 1);
  ToolProcess run(inventory.Args({"--retries", "4", "get", "ssid"}));
  std::this_thread::sleep_for(300ms);
  close(held);
  ToolProcess sim({"sim", "--listen", address});
  ASSERT_TRUE(sim.ReadLine(10s));
  const ToolResult result = run.Wait(10s);
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, "late: PrintNet\n1 hosts: 1 ok, 0 failed\n");
}

TEST(Fleet, NoRetryOnceALineWasSentAndNoReopenAfterTheDeviceEndedTheSession) {
  // A device that answers the first line, then ends the session: the next command fails on the
  // ended session (a run never opens a second one), and a host that was sent a line is not
  // tried again. Either would show as a connection waiting at the listener once the run ends.
  Listener listener(4);
  const Inventory inventory(Host("once", listener.Address()));
  ToolProcess run(inventory.Args({"--retries", "3", "--timeout", "300", "get", "ssid"}));
  const int client = accept(listener.fd, nullptr, nullptr);
  ASSERT_GE(client, 0);
  char c = 0;
  while (c != '\r' && recv(client, &c, 1, 0) == 1) continue;
  send(client, "\r\nLocal> ", 9, MSG_NOSIGNAL);
  close(client);
  const ToolResult result = run.Wait(10s);
  EXPECT_TRUE(result.err.starts_with("once: error 3004 (")) << result.err;
  pollfd waiting{listener.fd, POLLIN, 0};
  EXPECT_EQ(poll(&waiting, 1, 0), 0);
}

}  // namespace
}  // namespace pelmora::testing
