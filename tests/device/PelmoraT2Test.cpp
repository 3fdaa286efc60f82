#include "pelmora/device/PelmoraT2.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "device/EmbeddedShell.h"
#include "pelmora/components/ConnectionLibrary.h"
#include "pelmora/platform/ErrorMessages.h"
#include "support/ExpectError.h"
#include "support/PumpUntil.h"

namespace pelmora {
namespace {

using std::chrono::milliseconds;
using testing::CatchError;
using testing::EmbeddedShell;
using Member = std::function<void(PelmoraT2&)>;

std::string ErrorText(const std::function<void()>& call) {
  const auto error = CatchError(call);
  return std::to_string(error.Number()) + " " + error.Source() + ": " + error.Description();
}

TEST(PelmoraT2Test, DirectlyCreatedObjectFailsWithObjectNotSet) {
  auto device = std::make_shared<PelmoraT2>();
  const std::vector<Member> members = {
      [](PelmoraT2& d) { d.Connect(); }, [](PelmoraT2& d) { d.AbortCommand(); },
      [](PelmoraT2& d) { d.SaveSettings(); }, [](PelmoraT2& d) { d.Command("\r"); },
      [](PelmoraT2& d) { (void)d.GetSSID(); }};
  for (const auto& member : members) EXPECT_EQ(CatchError([&] { member(*device); }).Number(), 91);
  EXPECT_EQ(ErrorText([&] { (void)device->TerminalReceived(); }),
            "91 PelmoraT2:TerminalReceived Property Get: Object variable not set");
}

TEST(PelmoraT2Test, AttachingAgainKeepsTheHandlerAndReleasingSendsNothing) {
  // Attached, a new device waits 10 s for an answer and keeps the framing delay it was given.
  auto fresh = std::make_shared<PelmoraT2>();
  fresh->SetFramingDelay(0);
  EXPECT_EQ(CatchError([&] { fresh->SetFramingDelay(-1); }).Number(), 5);
  DeviceInternals::AttachConnection(*fresh, std::make_shared<PipeConnection>());
  EXPECT_EQ(DeviceInternals::Handler(*fresh)->DefaultTimeout(), 10000);
  EXPECT_EQ(DeviceInternals::Handler(*fresh)->FramingDelay(), 0);

  EmbeddedShell shell;
  const auto handler = DeviceInternals::Handler(*shell.device);
  DeviceInternals::AttachConnection(*shell.device, shell.pipe);
  EXPECT_EQ(DeviceInternals::Handler(*shell.device), handler);
  DeviceInternals::AttachConnection(*shell.device, std::make_shared<PipeConnection>());
  EXPECT_EQ(DeviceInternals::Handler(*shell.device), handler);

  // Released, an attached device sends nothing and leaves its connection open.
  DeviceInternals::AttachConnection(*shell.device, shell.pipe);
  shell.device->Connect();
  shell.device.reset();
  testing::PumpFor(milliseconds(20));
  EXPECT_EQ(shell.pipe->Sent(), "");
  EXPECT_TRUE(shell.pipe->IsOpen());
}

// While a command waits, every other dialogue entered from an event handler is refused with
// 9999 and sends nothing; the waiting command completes.
TEST(PelmoraT2Test, DialoguesEnteredFromAnEventHandlerAreRefusedAndTheFirstCompletes) {
  EmbeddedShell shell;
  // Every dialogue reaches the device through Command, the one place that refuses.
  const std::vector<Member> nestedCalls = {[](PelmoraT2& d) { d.Command("SH NW SSID\r"); },
                                           [](PelmoraT2& d) { d.SaveSettings(); },
                                           [](PelmoraT2& d) { (void)d.GetSSID(); }};
  std::vector<std::int32_t> refused;
  auto token = shell.pipe->OnReceive.Subscribe([&] {
    if (!refused.empty()) return;
    for (const auto& call : nestedCalls)
      refused.push_back(CatchError([&] { call(*shell.device); }).Number());
  });
  EXPECT_EQ(shell.device->Command("SH NW SSID\r"), "WiFi SSID: PrintNet");
  EXPECT_EQ(refused, std::vector<std::int32_t>(nestedCalls.size(), 9999));
  EXPECT_EQ(shell.pipe->Sent(), "SH NW SSID\r");
}

// Shell error lines become device errors; AbortCommand from an event handler ends the wait with
// 113, a teardown there with 91, and the torn-down device's dialogues fail with 116.
TEST(PelmoraT2Test, ShellErrorsAbortAndTeardownFromAnEventHandlerEndTheCommand) {
  EmbeddedShell shell;
  const auto fails = [&](const std::string& line) {
    return ErrorText([&] { shell.device->Command(line); });
  };
  shell.Answer("SET NW CH 14", {"%CFGERR: Invalid value", "Valid channels are 1 to 11"});
  EXPECT_EQ(fails("SET NW CH 14\r"), "9998 Command: Device reported error:  Invalid value");
  shell.Answer("SET NW CH 13", {"%cfgerr:   Invalid channel   "});
  EXPECT_EQ(fails("SET NW CH 13\r"), "9998 Command: Device reported error: Invalid channel");
  shell.Answer("SH ODD", {"%cfgerr: syntax <>", "%cfgerr: other"});
  EXPECT_EQ(shell.device->Command("SH ODD\r"), "%cfgerr: syntax <>\r\n%cfgerr: other");
  shell.Answer("SH PLAIN", {"a", "b  "});
  EXPECT_EQ(shell.device->Command("SH PLAIN\r", nullptr, false, 0, false, false), "a\r\nb  ");

  auto token = shell.pipe->OnReceive.Subscribe([&] { shell.device->AbortCommand(); });
  EXPECT_EQ(fails("SH NW SSID\r"),
            "113 ProtocolHandler:Query Method: " + ErrorMessages::Current().ErrorText(113));
  token.Reset();
  EXPECT_EQ(shell.device->Command("\r"), "") << "no abort stays pending";
  token = shell.pipe->OnReceive.Subscribe([&] {
    if (!shell.device->Connection()) return;
    ConnectionLibrary::TeardownConnection(shell.device->Connection());
    DeviceInternals::AttachConnection(*shell.device, nullptr);
  });
  EXPECT_EQ(CatchError([&] { shell.device->Command("SH NW SSID\r"); }).Number(), 91);
  shell.pipe->ClearSent();
  EXPECT_EQ(CatchError([&] { shell.device->Login("pw"); }).Number(), 116);
  EXPECT_EQ(CatchError([&] { shell.device->Command("\r"); }).Number(), 116);
  EXPECT_EQ(shell.pipe->Sent(), "");
}

// Idle text is trapped for TrappedMessage, never raised as an event nor kept as terminal text.
TEST(PelmoraT2Test, IdleTextIsHandedOutLineByLineAndAFloodKeepsTheNewest) {
  EmbeddedShell shell;
  shell.device->SetTrapEvents(true);
  EXPECT_FALSE(shell.device->TrapEvents());
  shell.device->Connect();
  for (const char* arrival : {"A\r\nB", "\r\n", "C"}) {
    shell.server.Shell().EmitUnsolicited(arrival);
    testing::PumpFor(milliseconds(5));
  }
  EXPECT_EQ(shell.device->TrappedMessage(), "A\r\nB");
  EXPECT_EQ(shell.device->TrappedMessage(), "");
  shell.server.Shell().EmitUnsolicited("D\r");
  testing::PumpFor(milliseconds(5));
  EXPECT_EQ(shell.device->TrappedMessage(), "\r\nCD");
  EXPECT_EQ(shell.device->TerminalReceived(), "");

  // A flood keeps the newest text.
  shell.server.Shell().EmitUnsolicited(std::string(PelmoraT2::kMaxTrappedText, 'x') +
                                       "\r\nnewest\r");
  std::string lines;
  ASSERT_TRUE(testing::PumpUntil([&] {
    lines = shell.device->TrappedMessage();
    return !lines.empty();
  }));
  EXPECT_LE(lines.size(), PelmoraT2::kMaxTrappedText);
  EXPECT_EQ(lines.substr(lines.size() - 8), "\r\nnewest");
}

TEST(PelmoraT2DialogueTest, LoginStopsAtTheFirstFailedLineAndRefusesLineBreaks) {
  EmbeddedShell shell("pw");
  for (const char* password : {"pw\rSET NW SSID x", "pw\n"}) {
    EXPECT_EQ(ErrorText([&] { shell.device->Login(password); }),
              "9999 Login: Invalid argument: line break in value");
  }
  EXPECT_EQ(shell.pipe->Sent(), "");

  shell.pipe->FailNextSends(1);
  EXPECT_EQ(CatchError([&] { shell.device->Login("pw"); }).Number(), 3003);
  EXPECT_EQ(shell.pipe->Sent().find("unpro"), std::string::npos);
}

// Each member's exact bytes against the real shell, also when the client lets go of the device
// from an event handler during the first exchange: the member finishes on a live object.
TEST(PelmoraT2DialogueTest, DeviceReleasedDuringAMemberFinishesItsExactDialogue) {
  // Each row: the member, whether the shell is protected by a password, the bytes it sends.
  const std::vector<std::tuple<Member, bool, std::string>> members = {
      {[](PelmoraT2& d) { d.SaveSettings(); }, false, "\rSAVE\r\r"},
      {[](PelmoraT2& d) { d.ResetPrintServer(); }, false, "\rINI\r\r"},
      {[](PelmoraT2& d) { d.Logoff(); }, false, "\rexit\r"},
      {[](PelmoraT2& d) { d.Login("pw"); }, true, "\runpro\rpw\r"},
      {[](PelmoraT2& d) { d.Login("pw"); }, false, "\r"},
      {[](PelmoraT2& d) { EXPECT_TRUE(d.IsReadOnlyMode()); }, true, "\r"},
      {[](PelmoraT2& d) { EXPECT_FALSE(d.IsReadOnlyMode()); }, false, "\r"},
      {[](PelmoraT2& d) { EXPECT_EQ(d.GetSSID(), "PrintNet"); }, false, "\rSH NW SSID\r"},
      {[](PelmoraT2& d) { d.SetSSID("x"); }, false, "\rSET NW SSID x\r"},
      {[](PelmoraT2& d) { d.SetWepKey(2, "0123456789"); }, false,
       "\rSET NW KEY# 2\rSET NW KEYVAL 0123456789\r"},
      {[](PelmoraT2& d) { EXPECT_NE(d.GetVersion(), nullptr); }, false, "\rSH VERSION\r"},
  };
  for (const auto& [member, protectedShell, wire] : members) {
    SCOPED_TRACE(wire);
    EmbeddedShell shell(protectedShell ? std::optional<std::string>("pw") : std::nullopt);
    std::weak_ptr<PelmoraT2> watch = shell.device;
    PelmoraT2* raw = shell.device.get();
    auto token = shell.pipe->OnReceive.Subscribe([&] { shell.device.reset(); });
    member(*raw);
    EXPECT_EQ(shell.pipe->Sent(), wire);
    EXPECT_TRUE(watch.expired());
  }
}

}  // namespace
}  // namespace pelmora
