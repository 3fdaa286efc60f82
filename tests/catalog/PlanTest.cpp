#include "pelmora/catalog/Plan.h"

#include <gtest/gtest.h>

#include "device/EmbeddedShell.h"
#include "pelmora/catalog/Backup.h"
#include "pelmora/platform/ErrorNumbers.h"

namespace pelmora {
namespace {

using testing::EmbeddedShell;

Profile Toml(const std::string& text) {
  Profile profile = Profile::Parse(text, "p.toml", Profile::Format::Toml);
  EXPECT_TRUE(profile.IsValid());
  return profile;
}

std::vector<std::string> Outcome(const Plan& plan) {
  std::vector<std::string> shown;
  for (const auto& step : plan.Steps()) {
    shown.push_back(step.Name() + " " + ToString(step.action) + " " + ToString(step.result));
  }
  return shown;
}

TEST(Plan, StopsAtTheFirstFailureListsWhatChangedAndSavesNothing) {
  struct Case {
    const char* what;
    std::function<void(EmbeddedShell&)> fault;
    std::int32_t number;
  };
  const std::vector<Case> cases = {
      {"read back differs",
       [](EmbeddedShell& sim) {
         sim.server.Faults().answerOverrides["SH NW RTS"] = {"WiFi RTS Threshold = 2347"};
       },
       errors::kLibraryError},
      {"session lost",
       [](EmbeddedShell& sim) {
         // Four lines for each of ssid and channel (wake-up and command, to set and to read
         // back), then the RTS setter's wake-up and its command, which is not answered.
         sim.server.Faults().dropSessionAtLine = sim.server.Shell().LinesReceived() + 10;
       },
       errors::kConnectionClosedByDevice},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Profile profile = Toml(
        "ssid = \"Office\"\nchannel = 11\nrts-threshold = 1200\nencryption = \"wpa2\"\n"
        "psk = \"office-psk-4711\"\n");
    EmbeddedShell sim;
    Plan plan = Plan::Make(*sim.device, profile);
    c.fault(sim);
    EXPECT_FALSE(plan.Apply(*sim.device, true));
    EXPECT_EQ(Outcome(plan),
              (std::vector<std::string>{
                  "ssid change verified", "channel change verified", "rts-threshold change failed",
                  "encryption change not attempted", "psk send not attempted"}));
    ASSERT_TRUE(plan.Failure());
    EXPECT_EQ(plan.Failure()->Number(), c.number) << plan.Failure()->Description();
    EXPECT_EQ(plan.Steps()[2].error->Number(), c.number);
    EXPECT_FALSE(plan.Saved());
    EXPECT_EQ(sim.Saved(), ShellSettings{});
    EXPECT_EQ(sim.Running().encryption, "DISABLE");
    EXPECT_EQ(sim.Running().psk, "");
  }
}

TEST(Plan, BackupsCommentReadOnlyValuesAndSecretsStayOutOfPlansAndErrors) {
  EmbeddedShell sim;
  const std::string toml = Backup::Read(*sim.device).Toml("sim", std::chrono::system_clock::now());
  EXPECT_NE(toml.find("# discarded-messages = 17  (read-only)"), std::string::npos) << toml;

  // A PSK too short for the device is refused; the error does not quote it.
  Plan plan = Plan::Make(*sim.device, Toml("psk = \"shhh\"\npassword = \"pw-quiet\"\n"));
  EXPECT_FALSE(plan.Apply(*sim.device, false));
  const std::string json = plan.Json();
  ASSERT_TRUE(plan.Failure());
  for (const auto& text : {json, plan.Failure()->Description(), plan.Failure()->Source(),
                           plan.Steps()[0].ToText(), plan.Steps()[1].ToText()}) {
    EXPECT_EQ(text.find("shhh"), std::string::npos) << text;
    EXPECT_EQ(text.find("pw-quiet"), std::string::npos) << text;
  }
}

}  // namespace
}  // namespace pelmora
