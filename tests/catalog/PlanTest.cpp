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
  for (const auto& step : plan.Steps())
    shown.push_back(step.Name() + " " + ToString(step.action) + " " + step.ResultText());
  return shown;
}

const char* const kThreeChanges =
    "ssid = \"Office\"\nchannel = 11\nrts-threshold = 1200\nencryption = \"wpa2\"\n"
    "psk = \"office-psk-4711\"\n";

TEST(Plan, StopsAtTheFirstFailureRollsBackWhatChangedAndSavesNothing) {
  struct Case {
    const char* what;
    std::function<void(EmbeddedShell&)> fault;
    bool rollback;
    std::int32_t number;
    const char* changed;  // the outcome of ssid, channel and rts-threshold
  };
  const auto readBackDiffers = [](EmbeddedShell& sim) {
    sim.server.Faults().answerOverrides["SH NW RTS"] = {"WiFi RTS Threshold = 2347"};
  };
  // Four lines for each of ssid and channel (wake-up and command, to set and to read back),
  // then the RTS setter's wake-up and its command, which is not answered.
  const auto drop = [](EmbeddedShell& sim) {
    sim.server.Faults().dropSessionAtLine = sim.server.Shell().LinesReceived() + 10;
  };
  const std::vector<Case> cases = {
      {"read back differs", readBackDiffers, true, errors::kLibraryError, "rolled back"},
      {"kept", readBackDiffers, false, errors::kLibraryError, ""},
      {"session lost", drop, true, errors::kConnectionClosedByDevice,
       "not restored: the session ended"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EmbeddedShell sim;
    const ShellSettings before = sim.Running();
    Plan plan = Plan::Make(*sim.device, Toml(kThreeChanges));
    c.fault(sim);
    EXPECT_FALSE(plan.Apply(*sim.device, true, c.rollback));
    const std::string changed = c.changed;
    const auto shown = [&](const char* name, const char* kept) {
      return std::string(name) + " change " + (changed.empty() ? kept : changed);
    };
    EXPECT_EQ(Outcome(plan), (std::vector<std::string>{
                                 shown("ssid", "verified"), shown("channel", "verified"),
                                 shown("rts-threshold", "failed"),
                                 "encryption change not attempted", "psk send not attempted"}));
    ASSERT_TRUE(plan.Failure());
    EXPECT_EQ(plan.Failure()->Number(), c.number) << plan.Failure()->Description();
    EXPECT_EQ(plan.Steps()[2].error->Number(), c.number);
    EXPECT_FALSE(plan.Saved());
    EXPECT_EQ(sim.Saved(), ShellSettings{});
    EXPECT_EQ(sim.Running().psk, "");
    EXPECT_EQ(sim.Running() == before, c.rollback && c.number == errors::kLibraryError);
  }
}

// The session ends after each line of an apply in turn: whatever the point, every step either
// holds (the value wanted after success, the earlier value after a rollback) or says why not.
TEST(Plan, ASessionEndingAtAnyPointLeavesEachSettingAsItsStepSays) {
  const Profile profile = Toml(kThreeChanges);
  for (std::uint64_t line = 1;; ++line) {
    SCOPED_TRACE(line);
    EmbeddedShell sim;
    const ShellSettings before = sim.Running();
    Plan plan = Plan::Make(*sim.device, profile);
    sim.server.Faults().dropSessionAtLine = sim.server.Shell().LinesReceived() + line;
    const bool done = plan.Apply(*sim.device, false);
    const ShellSettings after = sim.Running();
    const std::vector<std::pair<bool, bool>> holds = {
        // {as before, as wanted}
        {after.ssid == before.ssid, after.ssid == "Office"},
        {after.channel == before.channel, after.channel == 11},
        {after.rtsThreshold == before.rtsThreshold, after.rtsThreshold == 1200},
        {after.encryption == before.encryption, after.encryption == "WPA2"}};
    for (std::size_t i = 0; i < holds.size(); ++i) {
      const StepResult result = plan.Steps()[i].result;
      const bool claimsBefore =
          result == StepResult::RolledBack || result == StepResult::NotAttempted;
      EXPECT_TRUE(result != StepResult::Verified || holds[i].second) << i;
      EXPECT_TRUE(!claimsBefore || holds[i].first) << i;
      EXPECT_TRUE(result != StepResult::NotRestored || !plan.Steps()[i].why.empty());
      EXPECT_NE(result, StepResult::Failed) << "a changed step is restored or says why";
    }
    if (done) {
      EXPECT_EQ(after.psk, "office-psk-4711");
      break;
    }
  }
}

TEST(Plan, ASessionReplacedMidPlanFailsTheStepAndNothingMoreIsSent) {
  EmbeddedShell sim;
  Plan plan = Plan::Make(*sim.device, Toml(kThreeChanges));
  int readings = 0;
  // The count read before the first step and after the first two is 1; then a new session.
  const auto sessions = [&readings]() -> std::uint64_t { return ++readings > 3 ? 2 : 1; };
  EXPECT_FALSE(plan.Apply(*sim.device, true, true, sessions));
  EXPECT_EQ(Outcome(plan), (std::vector<std::string>{
                               "ssid change not restored: the session ended",
                               "channel change not restored: the session ended",
                               "rts-threshold change not restored: the session ended",
                               "encryption change not attempted", "psk send not attempted"}));
  EXPECT_EQ(plan.Failure()->Number(), errors::kSessionEnded);
  EXPECT_EQ(sim.Running().rtsThreshold, 1200);
  EXPECT_EQ(sim.Running().encryption, "DISABLE");
}

TEST(Plan, UnknownCurrentValuesAreChangedAndAFailedKeyWriteKeepsTheActiveKey) {
  EmbeddedShell sim;
  sim.Running().ipAddress = "10.1.2.255";  // the getter refuses it
  sim.Running().activeKey = 2;
  // An encryption word the getter does not know reads as its fallback 0, yet is no "disabled".
  sim.Answer("SH NW WEP", {"WiFi Encryption is WEP 256 bit encryption"});
  sim.Answer("SET NW KEYVAL 0123456789", {"%cfgerr: Invalid key"});
  const auto backup = Backup::Read(*sim.device).Toml("sim", {});
  EXPECT_NE(
      backup.find("\n# encryption = \"unrecognized\"  (the device's answer was not recognized)"),
      std::string::npos)
      << backup;
  const Plan unknown = Plan::Make(*sim.device, Toml("encryption = \"disabled\"\n"));
  EXPECT_EQ(Outcome(unknown), std::vector<std::string>{"encryption change planned"});
  EXPECT_EQ(unknown.Steps()[0].FromText(), "unknown");
  Plan plan = Plan::Make(*sim.device, Toml("wep-key = { 4 = \"0123456789\" }\n"));
  EXPECT_FALSE(plan.Apply(*sim.device, false, false));
  EXPECT_EQ(plan.Steps()[0].error->Number(), errors::kDeviceReportedError);
  EXPECT_EQ(sim.Running().activeKey, 2);
  // Secrets alone are no change.
  EXPECT_FALSE(Plan::Make(*sim.device, Toml("psk = \"psk-only-sent\"\n")).HasChanges());
  sim.server.Faults().answerOverrides.clear();
  sim.Running().activeKey = 4;  // the last slot is selected again too
  Plan repair = Plan::Make(*sim.device,
                           Toml("ip-address = \"10.1.2.3\"\nwep-key = { 3 = \"0123456789\" }\n"));
  EXPECT_TRUE(repair.Apply(*sim.device, false));
  EXPECT_EQ(std::tie(sim.Running().ipAddress, sim.Running().wepKeys[2], sim.Running().activeKey),
            std::make_tuple("10.1.2.3", "0123456789", 4));
  // A failed save is the plan's failure; its document keeps the documented shape.
  sim.Answer("SAVE", {"%cfgerr: Flash busy"});
  Plan saving = Plan::Make(*sim.device, Toml("channel = 3\n"));
  EXPECT_FALSE(saving.Apply(*sim.device, true));
  EXPECT_EQ(saving.Failure().value().Number(), errors::kDeviceReportedError);
  EXPECT_EQ(Outcome(saving), std::vector<std::string>{"channel change verified"});
  EXPECT_EQ(saving.Json().find("error"), std::string::npos);
}

TEST(Plan, BackupsCommentReadOnlyValuesAndSecretsStayOutOfPlansAndErrors) {
  EmbeddedShell sim;
  sim.Running().rootKey = "9F86D081";
  sim.Running().user = "DOMAIN\\j\"doe\"";
  // An error whose text holds a byte beyond ASCII and a control character.
  sim.Answer("SH NW REALM", {"%cfgerr: caf\xE9\x1B"});
  const std::string toml = Backup::Read(*sim.device).Toml("sim", std::chrono::system_clock::now());
  EXPECT_NE(toml.find("# discarded-messages = 17  (read-only)"), std::string::npos) << toml;
  EXPECT_NE(toml.find("error: caf\xC3\xA9\\x1B\n"), std::string::npos) << toml;
  EXPECT_EQ(toml.find("9F86D081"), std::string::npos) << toml;
  // Read back, the backup holds the device's values exactly: nothing to change.
  EXPECT_FALSE(Plan::Make(*sim.device, Toml(toml)).HasChanges()) << toml;

  // The device refuses the password; the error does not quote it.
  sim.Answer("SET NW PW pw-quiet", {"%cfgerr: Invalid value"});
  Plan plan = Plan::Make(
      *sim.device, Toml("password = \"pw-quiet\"\nroot-key = \"AB12\"\npsk = \"hush-hush\"\n"));
  EXPECT_FALSE(plan.Apply(*sim.device, false));
  const std::string json = plan.Json();
  ASSERT_TRUE(plan.Failure());
  for (const auto& text : {json, plan.Failure()->Description(), plan.Failure()->Source(),
                           plan.Steps()[0].ToText(), plan.Steps()[1].ToText()}) {
    for (const char* secret : {"hush-hush", "pw-quiet", "AB12"})
      EXPECT_EQ(text.find(secret), std::string::npos) << text;
  }
  EXPECT_EQ(plan.Steps()[0].ResultText(), "not restored: a secret cannot be restored");

  // A session that ends mid-backup leaves no backup to write, not one with holes.
  sim.server.Faults().dropSessionAtLine = sim.server.Shell().LinesReceived() + 3;
  EXPECT_THROW(Backup::Read(*sim.device), AutomationError);
}

}  // namespace
}  // namespace pelmora
