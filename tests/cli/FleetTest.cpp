// One command across a fleet: hosts of an inventory served by `pelmora sim --count`, plus hosts
// that are down, appear late or never answer.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <thread>

#include "FakePrintServer.h"
#include "ToolProcess.h"

namespace pelmora::testing {
namespace {

using Json = nlohmann::json;
using namespace std::chrono_literals;

std::string Read(const std::string& path) {
  std::stringstream text;
  text << std::ifstream(path).rdbuf();
  return text.str();
}

// A loopback port that nothing listens on (bound by the system, then let go).
int FreePort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  close(fd);
  return ntohs(address.sin_port);
}

std::string Host(const std::string& name, const std::string& address) {
  return "\n[hosts." + name + "]\naddress = \"" + address + "\"\n";
}

// `pelmora sim --count N` and the inventory it wrote; more hosts may be added to that inventory.
class SimFleet {
 public:
  explicit SimFleet(int count, const std::string& password = "")
      : inventory_(::testing::TempDir() + "fleet-" + std::to_string(getpid()) + ".toml"),
        process_({"sim", "--count", std::to_string(count), "--listen", "127.0.0.1:0",
                  "--write-inventory", inventory_, "--password", password}) {
    const auto line = process_.ReadLine(10s);
    EXPECT_TRUE(line && line->starts_with("pelmora sim")) << line.value_or("no line");
  }
  ~SimFleet() {
    process_.Signal(SIGINT);
    EXPECT_EQ(process_.Wait(5s).value_or(ToolResult{}).status, 0);
    std::remove(inventory_.c_str());
  }
  void Add(const std::string& tables) const { std::ofstream(inventory_, std::ios::app) << tables; }
  ToolResult Run(std::vector<std::string> arguments) const {
    arguments.insert(arguments.begin(), {"--inventory", inventory_});
    return ToolProcess::Run(arguments);
  }
  std::vector<std::string> Arguments(std::vector<std::string> arguments) const {
    arguments.insert(arguments.begin(), {"--inventory", inventory_});
    return arguments;
  }

 private:
  std::string inventory_;
  ToolProcess process_;
};

std::set<std::string> HostNames(const ToolResult& result) {
  std::set<std::string> names;
  const Json document = Json::parse(result.out);
  for (const auto& host : document["hosts"]) names.insert(host["name"]);
  return names;
}

TEST(Fleet, OneUnreachableHostFailsAloneInTextAndInJson) {
  const std::string pw = "Fleet-Pw-1";
  SimFleet fleet(3, pw);
  fleet.Add(Host("gone", "127.0.0.1:" + std::to_string(FreePort())));
  // A host that never answers ends at its own time limit, taken from the inventory.
  FakePrintServer mute(FakePrintServer::Mode::Silent);
  fleet.Add(Host("mute", mute.Address()) + "timeout = 200\n");
  const std::string logs = ::testing::TempDir() + "fleet-logs-" + std::to_string(getpid());
  const auto start = std::chrono::steady_clock::now();
  const ToolResult text = fleet.Run({"--log-dir", logs, "get", "ssid"});
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
  EXPECT_EQ(text.status, 1);
  EXPECT_NE(text.out.find("sim-1: PrintNet\n"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("sim-2: PrintNet\n"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("sim-3: PrintNet\n"), std::string::npos) << text.out;
  EXPECT_TRUE(text.out.ends_with("5 hosts: 3 ok, 2 failed\n")) << text.out;
  EXPECT_NE(text.err.find("gone: error 3001 (Connection): "), std::string::npos) << text.err;
  EXPECT_NE(text.err.find("mute: error 119 ("), std::string::npos) << text.err;
  // One transcript per host, the inventory's password masked.
  const std::string transcript = Read(logs + "/sim-2.log");
  EXPECT_NE(transcript.find(" > unpro\\r\n"), std::string::npos) << transcript;
  EXPECT_NE(transcript.find(" > ********\\r\n"), std::string::npos) << transcript;
  EXPECT_EQ(transcript.find(pw), std::string::npos) << transcript;
  EXPECT_EQ(Read(logs + "/sim-1.log").find(Read(logs + "/sim-3.log")), std::string::npos);
  std::filesystem::remove_all(logs);

  const ToolResult json = fleet.Run({"--json", "get", "ssid"});
  EXPECT_EQ(json.status, 1);
  const Json document = Json::parse(json.out);
  ASSERT_EQ(document["hosts"].size(), 5u);
  for (int i = 0; i < 3; ++i) {
    const Json& host = document["hosts"][i];
    EXPECT_EQ(host["name"], "sim-" + std::to_string(i + 1));  // inventory order
    EXPECT_TRUE(host["target"].get<std::string>().starts_with("127.0.0.1:"));
    EXPECT_EQ(host["ok"], true);
    EXPECT_EQ(host["result"], (Json{{"name", "ssid"}, {"value", "PrintNet"}}));
    EXPECT_TRUE(host["elapsed_ms"].is_number_integer());
    EXPECT_FALSE(host.contains("error"));
  }
  const Json& gone = document["hosts"][3];
  EXPECT_EQ(gone["ok"], false);
  EXPECT_EQ(gone["error"]["number"], 3001);
  EXPECT_EQ(gone["error"]["source"], "Connection");
  EXPECT_FALSE(gone.contains("result"));
  EXPECT_EQ(document["hosts"][4]["error"]["number"], 119);
  EXPECT_EQ(document["summary"], (Json{{"total", 5}, {"ok", 3}, {"failed", 2}}));
}

TEST(Fleet, LimitAndShardChooseHostsAndBadChoicesSendNothing) {
  SimFleet fleet(4);
  fleet.Add("\n[hosts.odd]\naddress = \"127.0.0.1:1\"\ngroups = [\"lab\"]\n");
  fleet.Add(Host("extra", "127.0.0.1:1"));
  // By name and by group; the unreachable hosts are never chosen.
  const ToolResult limited =
      fleet.Run({"--json", "--limit", "sim-2", "--limit", "sim", "--limit", "sim-4", "readonly"});
  EXPECT_EQ(limited.status, 0) << limited.err;
  EXPECT_EQ(HostNames(limited), (std::set<std::string>{"sim-1", "sim-2", "sim-3", "sim-4"}));
  const ToolResult group = fleet.Run({"--json", "--limit", "lab", "--limit", "sim-3", "readonly"});
  EXPECT_EQ(HostNames(group), (std::set<std::string>{"sim-3", "odd"}));

  // The K-th of N shares, for every N up to the size of the fleet: each host exactly once.
  for (int n = 1; n <= 4; ++n) {
    std::multiset<std::string> seen;
    for (int k = 1; k <= n; ++k) {
      const std::string shard = std::to_string(k) + "/" + std::to_string(n);
      const ToolResult share =
          fleet.Run({"--json", "--limit", "sim", "--shard", shard, "readonly"});
      EXPECT_EQ(share.status, 0) << shard << share.err;
      for (const auto& name : HostNames(share)) seen.insert(name);
    }
    EXPECT_EQ(seen, (std::multiset<std::string>{"sim-1", "sim-2", "sim-3", "sim-4"})) << n;
  }

  for (const auto& bad : std::vector<std::vector<std::string>>{{"--limit", "nowhere", "readonly"},
                                                               {"--shard", "0/2", "readonly"},
                                                               {"--shard", "3", "readonly"},
                                                               {"--workers", "0", "readonly"},
                                                               {"shell"}}) {
    const ToolResult refused = fleet.Run(bad);
    EXPECT_EQ(refused.status, 2) << ::testing::PrintToString(bad);
    EXPECT_EQ(refused.out, "");
  }
  EXPECT_NE(fleet.Run({"--limit", "nowhere", "readonly"}).err.find("'nowhere'"), std::string::npos);
  // A bad inventory: every problem with its place, and no host is asked.
  fleet.Add(Host("bad", "127.0.0.1:99999"));
  const ToolResult inventory = fleet.Run({"readonly"});
  EXPECT_EQ(inventory.status, 2);
  EXPECT_NE(inventory.err.find(".toml:"), std::string::npos);
  EXPECT_NE(inventory.err.find(": bad port in '127.0.0.1:99999'"), std::string::npos)
      << inventory.err;
  EXPECT_EQ(inventory.out, "");
}

TEST(Fleet, ProfilesAreBackedUpComparedAndAppliedPerHost) {
  SimFleet fleet(3);
  const std::string dir = ::testing::TempDir() + "fleet-profiles-" + std::to_string(getpid());
  const ToolResult backup = fleet.Run({"backup", "--out-dir", dir});
  EXPECT_EQ(backup.status, 0) << backup.err;
  for (const char* name : {"sim-1", "sim-2", "sim-3"}) {
    EXPECT_NE(Read(dir + "/" + name + ".toml").find("ssid = \"PrintNet\""), std::string::npos);
  }
  const std::string profile = dir + "/office.toml";
  std::ofstream(profile) << "ssid = \"Office\"\n";
  EXPECT_EQ(fleet.Run({"--limit", "sim-2", "apply", "--save", profile}).status, 0);
  // Only sim-2 holds the profile now: the fleet's diff says some host would change.
  const ToolResult diff = fleet.Run({"--json", "diff", profile});
  EXPECT_EQ(diff.status, 3) << diff.err;
  const Json document = Json::parse(diff.out);
  EXPECT_EQ(document["hosts"][0]["result"]["changes"][0]["action"], "change");
  EXPECT_EQ(document["hosts"][1]["result"]["changes"][0]["action"], "keep");
  EXPECT_EQ(fleet.Run({"--limit", "sim-2", "diff", profile}).status, 0);
  EXPECT_EQ(fleet.Run({"backup", "--out-dir", dir, "extra.toml"}).status, 2);
  std::filesystem::remove_all(dir);
}

TEST(Fleet, RetriesReachAHostWhoseListenerAppearsLate) {
  const int port = FreePort();
  const std::string inventory = ::testing::TempDir() + "late-" + std::to_string(getpid()) + ".toml";
  std::ofstream(inventory) << Host("late", "127.0.0.1:" + std::to_string(port));
  // Without retries the host is down; with them the run waits for it.
  EXPECT_EQ(ToolProcess::Run({"--inventory", inventory, "get", "ssid"}).status, 1);
  ToolProcess run({"--inventory", inventory, "--retries", "4", "get", "ssid"});
  std::this_thread::sleep_for(300ms);
  ToolProcess sim({"sim", "--listen", "127.0.0.1:" + std::to_string(port)});
  ASSERT_TRUE(sim.ReadLine(10s));
  const ToolResult result = run.Wait(10s).value_or(ToolResult{-1, "", "did not end"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, "late: PrintNet\n1 hosts: 1 ok, 0 failed\n");
  sim.Signal(SIGINT);
  std::remove(inventory.c_str());
}

TEST(Fleet, NoRetryOnceALineWasSentEvenWhenReopeningFails) {
  // A device that answers the first line, then ends the session and stops listening: the next
  // command's reopen is refused after a line went out.
  const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);  // not the tool's
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  listen(listener, 1);
  getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
  const std::string inventory = ::testing::TempDir() + "once-" + std::to_string(getpid()) + ".toml";
  std::ofstream(inventory) << Host("once", "127.0.0.1:" + std::to_string(ntohs(address.sin_port)));
  ToolProcess run({"--inventory", inventory, "--retries", "3", "get", "ssid"});
  const int client = accept(listener, nullptr, nullptr);
  std::string received;
  for (char c = 0; received.find('\r') == std::string::npos && recv(client, &c, 1, 0) == 1;) {
    received += c;
  }
  send(client, "\r\nLocal> ", 9, MSG_NOSIGNAL);
  close(client);
  close(listener);
  const auto closed = std::chrono::steady_clock::now();
  const ToolResult result = run.Wait(10s).value_or(ToolResult{-1, "", "did not end"});
  // Retries would pause 250, 500 and 1000 ms before failing the same way.
  EXPECT_LT(std::chrono::steady_clock::now() - closed, 1000ms);
  EXPECT_EQ(result.status, 1);
  EXPECT_TRUE(result.err.starts_with("once: error 3001 (")) << result.err;
  std::remove(inventory.c_str());
}

TEST(Fleet, CtrlCCancelsTheRunningHostsAndStartsNoMore) {
  std::vector<std::unique_ptr<FakePrintServer>> devices;
  std::string tables;
  for (int i = 0; i < 5; ++i) {
    devices.push_back(std::make_unique<FakePrintServer>(FakePrintServer::Mode::Silent));
    tables += Host("mute-" + std::to_string(i), devices.back()->Address());
  }
  const std::string inventory = ::testing::TempDir() + "mute-" + std::to_string(getpid()) + ".toml";
  std::ofstream(inventory) << tables;
  ToolProcess run({"--inventory", inventory, "--workers", "2", "--json", "get", "ssid"});
  ASSERT_TRUE(devices[0]->WaitForReceived("\r", 10s));
  ASSERT_TRUE(devices[1]->WaitForReceived("\r", 10s));
  const auto interrupted = std::chrono::steady_clock::now();
  run.Signal(SIGINT);
  const ToolResult result = run.Wait(5s).value_or(ToolResult{-1, "", "did not end"});
  EXPECT_LT(std::chrono::steady_clock::now() - interrupted, 1s);
  EXPECT_EQ(result.status, 1);
  const Json document = Json::parse(result.out, nullptr, false);
  ASSERT_EQ(document["hosts"].size(), 5u) << result.out;
  for (const auto& host : document["hosts"]) EXPECT_EQ(host["error"]["number"], 113) << host;
  EXPECT_EQ(document["hosts"][0]["error"]["source"], "ProtocolHandler:Query Method");
  EXPECT_EQ(document["hosts"][4]["error"]["source"], "pelmora");  // never started
  EXPECT_EQ(document["summary"], (Json{{"total", 5}, {"ok", 0}, {"failed", 5}}));
  EXPECT_TRUE(devices[0]->WaitForClientClose(1s));
  for (int i = 2; i < 5; ++i) EXPECT_EQ(devices[i]->Received(), "") << i;
  std::remove(inventory.c_str());
}

}  // namespace
}  // namespace pelmora::testing
