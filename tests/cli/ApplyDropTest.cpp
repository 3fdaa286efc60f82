// An apply whose session the device ends after any one of its prompts: whatever it prints is
// true. A success leaves nothing to change; a failure leaves the saved configuration as it was,
// and every step that had changed something says whether it was set back.
#include "DroppingProxy.h"
#include "ToolProcess.h"

namespace pelmora::testing {
namespace {

TEST(ApplyDrop, EveryDropPointLeavesATrueReport) {
  SimProcess sim;
  const std::string profile = TempPath("drop") + ".toml";
  std::ofstream(profile) << "ssid = \"Dropped\"\nchannel = 9\npsk = \"Drop-Psk-2024\"\n";
  const std::string saved = TempPath("saved") + ".toml";
  ASSERT_EQ(sim.Run({"backup", saved}).status, 0);
  const std::string before = sim.Run({"--json", "backup"}).out;
  bool everyPrompt = false;  // a drop point past the apply's last prompt was reached
  for (int drop = 1; !everyPrompt && drop < 60; ++drop) {
    SCOPED_TRACE("session ended after prompt " + std::to_string(drop));
    DroppingProxy proxy(sim.Port(), drop);
    const ToolResult run = ToolProcess::Run(
        {"--host", proxy.Address(), "--json", "--timeout", "3000", "apply", profile, "--save"});
    everyPrompt = !proxy.Dropped();
    if (run.status == 0) {
      EXPECT_EQ(sim.Run({"diff", profile}).status, 0) << run.out;
      // The next drop point starts from the configuration of before.
      ASSERT_EQ(sim.Run({"apply", saved, "--save"}).status, 0);
      continue;
    }
    EXPECT_EQ(run.status, 1) << run.out << run.err;
    // Either the plan could not be made (an error alone) or the steps say how each went.
    const Json report = run.json();
    ASSERT_TRUE(report.contains("error") || report.contains("changes")) << run.out;
    if (report.contains("changes")) {
      EXPECT_FALSE(report.value("saved", false)) << run.out;
      for (const auto& change : report.at("changes"))
        EXPECT_TRUE(change.value("result", "") != "failed" || change.contains("error")) << change;
    }
    EXPECT_EQ(sim.Run({"--json", "backup"}).out, before) << run.out;
  }
  EXPECT_TRUE(everyPrompt) << "no drop point late enough to let the apply finish";
  std::remove(profile.c_str());
  std::remove(saved.c_str());
}

}  // namespace
}  // namespace pelmora::testing
