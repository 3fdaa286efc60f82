#include "pelmora/device/PelmoraT2.h"

#include <gtest/gtest.h>

#include "device/ScriptedShell.h"
#include "support/ExpectError.h"
#include "support/PumpUntil.h"

namespace pelmora {
namespace {

using std::chrono::milliseconds;
using testing::CatchError;
using testing::ScriptedShell;

TEST(PelmoraT2Test, DirectlyCreatedObjectFailsWithObjectNotSet) {
  auto device = std::make_shared<PelmoraT2>();
  EXPECT_EQ(device->Connection(), nullptr);
  EXPECT_EQ(device->ProtocolHandler(), nullptr);
  EXPECT_EQ(CatchError([&] { device->Connect(); }).Number(), 91);
  EXPECT_EQ(CatchError([&] { device->SaveSettings(); }).Number(), 91);
  EXPECT_EQ(CatchError([&] { device->Command("\r"); }).Number(), 91);
  EXPECT_EQ(CatchError([&] { (void)device->GetSSID(); }).Number(), 91);
}

TEST(PelmoraT2Test, AttachingTheSameConnectionAgainKeepsTheHandler) {
  ScriptedShell shell;
  const auto handler = shell.device->ProtocolHandler();
  ASSERT_NE(handler, nullptr);
  EXPECT_EQ(handler->DefaultTimeout(), 10000);
  shell.device->SetConnection(shell.pipe);
  EXPECT_EQ(shell.device->ProtocolHandler(), handler);
  auto other = std::make_shared<PipeConnection>();
  shell.device->SetConnection(other);
  EXPECT_EQ(shell.device->ProtocolHandler(), handler);
}

TEST(PelmoraT2Test, ReleasingAnAttachedDeviceSendsNothingAndLeavesTheConnectionOpen) {
  ScriptedShell shell;
  shell.device->Connect();
  shell.device.reset();
  testing::PumpFor(milliseconds(20));
  EXPECT_EQ(shell.pipe->Sent(), "");
  EXPECT_TRUE(shell.pipe->IsOpen());
}

TEST(PelmoraT2Test, ShellErrorLinesBecomeDeviceErrors) {
  ScriptedShell shell;
  shell.Script("SET NW CH 14", {"%CFGERR: Invalid value", "Valid channels are 1 to 11"});
  auto twoBlanks = CatchError([&] { shell.device->Command("SET NW CH 14\r"); });
  EXPECT_EQ(twoBlanks.Number(), 9998);
  EXPECT_EQ(twoBlanks.Source(), "Command");
  EXPECT_EQ(twoBlanks.Description(), "Device reported error:  Invalid value");

  shell.Script("SET NW CH 13", {"%cfgerr:   Invalid channel   "});
  EXPECT_EQ(CatchError([&] { shell.device->Command("SET NW CH 13\r"); }).Description(),
            "Device reported error: Invalid channel");

  shell.Script("SH ODD", {"%cfgerr: syntax <>", "%cfgerr: other"});
  EXPECT_EQ(shell.device->Command("SH ODD\r"), "%cfgerr: syntax <>\r\n%cfgerr: other");
  shell.Script("SH PLAIN", {"a", "b  "});
  EXPECT_EQ(shell.device->Command("SH PLAIN\r", nullptr, false, 0, false, false), "a\r\nb  ");
}

TEST(PelmoraT2Test, NestedCommandFromAnEventHandlerIsRefusedAndTheFirstCompletes) {
  ScriptedShell shell;
  shell.Script("SH A", {"value"});
  std::int32_t nested = 0;
  auto token = shell.pipe->OnReceive.Subscribe([&] {
    if (nested == 0) nested = CatchError([&] { shell.device->Command("SH A\r"); }).Number();
  });
  EXPECT_EQ(shell.device->Command("SH A\r"), "value");
  EXPECT_EQ(nested, 9999);
}

TEST(PelmoraT2Test, CommandFromAProgressCallbackIsRefused) {
  class ReentrantProgress : public Progress {
   public:
    explicit ReentrantProgress(PelmoraT2& device) : device_(device) {}
    bool Cancelled() const override {
      if (refused == 0) refused = CatchError([&] { device_.Command("\r"); }).Number();
      return false;
    }
    mutable std::int32_t refused = 0;

   private:
    PelmoraT2& device_;
  };
  ScriptedShell shell;
  auto progress = std::make_shared<ReentrantProgress>(*shell.device);
  EXPECT_EQ(shell.device->Command("\r", progress), "");
  EXPECT_EQ(progress->refused, 9999);
}

TEST(PelmoraT2Test, NextCommandIsAcceptedAfterAHandlerError) {
  ScriptedShell shell;
  shell.pipe->SetDelivery(milliseconds(200), 0, milliseconds(0));
  EXPECT_EQ(CatchError([&] { shell.device->Command("\r", nullptr, false, 30); }).Number(), 120);
  shell.pipe->SetDelivery(milliseconds(0), 0, milliseconds(0));
  testing::PumpFor(milliseconds(250));
  (void)shell.device->TrappedMessage();
  EXPECT_EQ(shell.device->Command("\r"), "");
}

TEST(PelmoraT2Test, IdleTextIsHandedOutLineByLine) {
  ScriptedShell shell;
  shell.device->Connect();
  for (const char* arrival : {"A\r\nB", "\r\n", "C"}) {
    shell.pipe->PeerWrite(arrival);
    testing::PumpFor(milliseconds(5));
  }
  EXPECT_EQ(shell.device->TrappedMessage(), "A\r\nB");
  EXPECT_EQ(shell.device->TrappedMessage(), "");
  shell.pipe->PeerWrite("D\r");
  testing::PumpFor(milliseconds(5));
  EXPECT_EQ(shell.device->TrappedMessage(), "\r\nCD");
}

TEST(PelmoraT2Test, TrappedTextKeepsTheNewestWhenAnIdleDeviceFloods) {
  ScriptedShell shell;
  shell.device->Connect();
  shell.pipe->PeerWrite(std::string(PelmoraT2::kMaxTrappedText, 'x') + "\r\nnewest\r");
  std::string lines;
  ASSERT_TRUE(testing::PumpUntil([&] {
    lines = shell.device->TrappedMessage();
    return !lines.empty();
  }));
  EXPECT_LE(lines.size(), PelmoraT2::kMaxTrappedText);
  EXPECT_EQ(lines.substr(lines.size() - 8), "\r\nnewest");
}

TEST(PelmoraT2Test, TerminalPropertiesAndTrapEvents) {
  ScriptedShell shell;
  EXPECT_EQ(shell.device->TerminalReceived(), "");
  EXPECT_TRUE(shell.device->TerminalReceivedBinary().empty());
  shell.device->SetTrapEvents(true);
  EXPECT_FALSE(shell.device->TrapEvents());
  auto bare = std::make_shared<PelmoraT2>();
  const auto error = CatchError([&] { (void)bare->TerminalReceived(); });
  EXPECT_EQ(error.Number(), 91);
  EXPECT_EQ(error.Source(), "PelmoraT2:TerminalReceived Property Get");
}

TEST(PelmoraT2DialogueTest, FixedDialoguesPutExactBytesOnTheWire) {
  ScriptedShell shell;
  shell.device->SaveSettings();
  EXPECT_EQ(shell.pipe->Sent(), "\rSAVE\r\r");
  shell.pipe->ClearSent();
  shell.device->ResetPrintServer();
  EXPECT_EQ(shell.pipe->Sent(), "\rINI\r\r");
  shell.pipe->ClearSent();
  shell.device->Logoff();
  EXPECT_EQ(shell.pipe->Sent(), "\rexit\r");
  shell.pipe->ClearSent();
  EXPECT_FALSE(shell.device->IsReadOnlyMode());
  EXPECT_EQ(shell.pipe->Sent(), "\r");
}

TEST(PelmoraT2DialogueTest, LoginSendsThePasswordOnlyToAReadOnlyShell) {
  ScriptedShell shell;
  shell.device->Login("pw");
  EXPECT_EQ(shell.pipe->Sent(), "\r");

  shell.pipe->ClearSent();
  shell.prompt = "Local: ";
  shell.silentLines = {"pw"};
  EXPECT_TRUE(shell.device->IsReadOnlyMode());
  shell.device->Login("pw");
  EXPECT_EQ(shell.pipe->Sent(), "\r\runpro\rpw\r");
}

TEST(PelmoraT2DialogueTest, LoginRefusesALineBreakBeforeSendingAnything) {
  ScriptedShell shell;
  for (const char* password : {"pw\rSET NW SSID x", "pw\n"}) {
    const auto error = CatchError([&] { shell.device->Login(password); });
    EXPECT_EQ(error.Number(), 9999);
    EXPECT_EQ(error.Source(), "Login");
    EXPECT_EQ(error.Description(), "Invalid argument: line break in value");
  }
  EXPECT_EQ(shell.pipe->Sent(), "");
}

TEST(PelmoraT2DialogueTest, DeviceReleasedDuringItsOwnWaitFinishesTheCall) {
  ScriptedShell shell;
  shell.Script("SH A", {"value"});
  std::weak_ptr<PelmoraT2> watch = shell.device;
  PelmoraT2* raw = shell.device.get();
  auto token = shell.pipe->OnReceive.Subscribe([&] { shell.device.reset(); });
  EXPECT_EQ(raw->Command("SH A\r"), "value");
  EXPECT_TRUE(watch.expired());
}

}  // namespace
}  // namespace pelmora
