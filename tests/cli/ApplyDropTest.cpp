// An apply whose session the device ends at any one of its lines: whatever it prints is true.
#include "ToolProcess.h"
#include "pelmora/simulator/TelnetShellServer.h"

namespace pelmora::testing {
namespace {

// How many lines the tool sent, as its transcript shows them ("<time> > text\r" records).
int LinesSent(const std::string& transcript) {
  int lines = 0;
  std::istringstream records(transcript);
  for (std::string record; std::getline(records, record);) {
    if (record.find(" > ") != 23) continue;
    for (auto at = record.find("\\r"); at != std::string::npos; at = record.find("\\r", at + 2))
      ++lines;
  }
  return lines;
}

TEST(ApplyDrop, EveryDropPointLeavesATrueReport) {
  // One device: served whole for the checks, and by a server that ends each session at a line.
  TelnetShellServer::Options whole;
  whole.device = std::make_shared<PrintServerState>();
  TelnetShellServer device(whole);
  device.Start();
  const auto run = [](const TelnetShellServer& server, std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {"--host", "127.0.0.1:" + std::to_string(server.Port())});
    return ToolProcess::Run(arguments);
  };
  const TempFile profile("ssid = \"Dropped\"\nchannel = 9\npsk = \"Drop-Psk-2024\"\n");
  const TempFile saved, log;
  ASSERT_EQ(run(device, {"backup", saved.path}).status, 0);
  const std::string before = run(device, {"--json", "backup"}).out;
  bool everyLine = false;  // a drop point past the apply's last line was reached
  for (int drop = 1; !everyLine && drop < 60; ++drop) {
    SCOPED_TRACE("session ended at line " + std::to_string(drop));
    TelnetShellServer::Options dropping = whole;
    dropping.faults.dropSessionAtLine = drop;
    TelnetShellServer server(dropping);
    server.Start();
    std::remove(log.path.c_str());
    const ToolResult result = run(server, {"--json", "--timeout", "3000", "--log", log.path,
                                           "apply", profile.path, "--save"});
    everyLine = LinesSent(ReadFile(log.path)) < drop;
    if (result.status == 0) {
      EXPECT_EQ(run(device, {"diff", profile.path}).status, 0) << result.out;
      // The next drop point starts from the configuration of before.
      ASSERT_EQ(run(device, {"apply", saved.path, "--save"}).status, 0);
      continue;
    }
    EXPECT_EQ(result.status, 1) << result.out << result.err;
    // Either the plan could not be made (an error alone) or the steps say how each went.
    const Json report = result.json();
    ASSERT_TRUE(report.contains("error") || report.contains("changes")) << result.out;
    if (report.contains("changes")) {
      EXPECT_FALSE(report.value("saved", false)) << result.out;
      for (const auto& change : report.at("changes"))
        EXPECT_TRUE(change.value("result", "") != "failed" || change.contains("error")) << change;
    }
    EXPECT_EQ(run(device, {"--json", "backup"}).out, before) << result.out;
  }
  EXPECT_TRUE(everyLine) << "no drop point late enough to let the apply finish";
}

}  // namespace
}  // namespace pelmora::testing
