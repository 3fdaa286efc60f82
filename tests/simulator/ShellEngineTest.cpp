#include "pelmora/simulator/ShellEngine.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "simulator/ShellHarness.h"

namespace pelmora {
namespace {

using test::ShellHarness;
using State = ShellEngine::ShellState;

struct Exchange {
  std::string sent;
  std::string expected;
};

// Each exchange is one Feed, and each Feed must produce exactly one chunk.
void Replay(ShellHarness& shell, const std::vector<Exchange>& script) {
  for (const Exchange& exchange : script) {
    const std::size_t before = shell.chunks.size();
    EXPECT_EQ(shell.Send(exchange.sent), exchange.expected) << "sent: " << exchange.sent;
    EXPECT_EQ(shell.chunks.size(), before + 1) << "sent: " << exchange.sent;
  }
}

// The screens themselves are the tool's exact output (CommandsTest).
TEST(ShellEngineTest, PrivilegedShellAnswersByteForByte) {
  ShellHarness shell;
  const std::string overlong(ShellEngine::kMaxLineLength, 'A');
  Replay(shell, {
                    {"\r", "\r\nLocal> "},
                    {"\r\n", "\r\nLocal> "},
                    {"unpro\r", "unpro\r\nLocal> "},
                    {"sh Nw cH\r", "sh Nw cH\r\nChannel: 6\r\nLocal> "},
                    {"SH N\nW CH\r", "SH NW CH\r\nChannel: 6\r\nLocal> "},
                    {"SET NW MO AD_HOC\r\r", "SET NW MO AD_HOC\r\nLocal> \r\nLocal> "},
                    {"SH NW MO\r", "SH NW MO\r\nWifi mode = Ad-Hoc (802.11)\r\nLocal> "},
                    {"SAVE\r\r", "SAVE\r\nConfiguration saved\r\nLocal> \r\nLocal> "},
                    {"FOO\r", "FOO\r\n%cfgerr: Unknown command\r\nLocal> "},
                    {"SET NW CH 14\r", "SET NW CH 14\r\n%cfgerr: Invalid channel\r\nLocal> "},
                    {"SET NW SSID\r", "SET NW SSID\r\n%cfgerr: Missing argument\r\nLocal> "},
                    {overlong + "BBBB\r", overlong + "\r\n%cfgerr: Unknown command\r\nLocal> "},
                    {"SH NW CERTCN\r", "SH NW CERTCN\r\n\r\nLocal> "},
                });
  EXPECT_EQ(shell.closes, 0);
  EXPECT_EQ(shell.device->Saved()->Load().mode, "AD_HOC");
}

TEST(ShellEngineTest, ProtectedShellRefusesChangesUntilThePasswordIsGiven) {
  ShellHarness shell("s3cret");
  const std::string refused = "%cfgerr: Not permitted in protected mode\r\n";
  Replay(shell,
         {
             {"\r", "\r\nLocal: "},
             {"SH NW SSID\r", "SH NW SSID\r\nWiFi SSID: PrintNet\r\nLocal: "},
             {"SET NW SSID Other\r", "SET NW SSID Other\r\n" + refused + "Local: "},
             {"unpro\r", "unpro\r\nPassword> "},
             {"wrong\r", "\r\nAccess denied\r\nLocal: "},
             {"unpro\r", "unpro\r\nPassword> "},
             {"exit\r", "\r\nAccess denied\r\nLocal: "},  // the password line is not a command
             {"unpro\r", "unpro\r\nPassword> "},
             {"s3cret\r", "\r\nLocal> "},
             {"SET NW SSID Other\r", "SET NW SSID Other\r\nLocal> "},
         });
  EXPECT_EQ(shell.device->Running().ssid, "Other");

  ShellHarness emptyPassword("");  // given as the bare carriage return
  Replay(emptyPassword, {{"unpro\r", "unpro\r\nPassword> "}, {"\r", "\r\nLocal> "}});
  EXPECT_EQ(emptyPassword.engine.State(), State::Privileged);
}

TEST(ShellEngineTest, ExitIniOrADroppedLineEndTheSessionAndTheNextLineOpensANewOne) {
  ShellHarness shell("pw");
  shell.Send("unpro\rpw\rSET NW SSID Saved\rSAVE\rSET NW SSID Unsaved\rSET NW CH 11\r");
  // Input behind "exit" in the same Feed went to a closed session.
  EXPECT_EQ(shell.Send("exit\rSH NW CH\r"), "exit\r\nExit Configuration task\r\n");
  EXPECT_EQ(shell.closes, 1);
  EXPECT_EQ(shell.Send("\r"), "\r\nLocal: ");
  EXPECT_EQ(shell.engine.State(), State::Protected);

  shell.Send("unpro\rpw\r");
  EXPECT_EQ(shell.Send("INI\r\r"), "INI\r\nResetting print server\r\nExit Configuration task\r\n");
  EXPECT_EQ(shell.closes, 2);
  EXPECT_EQ(shell.engine.State(), State::Closed);
  EXPECT_EQ(shell.Send("SH NW SSID\rSH NW CH\r"),
            "SH NW SSID\r\nWiFi SSID: Saved\r\nLocal: SH NW CH\r\nChannel: 6\r\nLocal: ");

  shell.Send("unpro\rpw\r");
  shell.engine.Faults().dropSessionAtLine = shell.engine.LinesReceived() + 2;
  EXPECT_EQ(shell.Send("\rSET NW CH 3\r\r"), "\r\nLocal> ");
  EXPECT_EQ(shell.closes, 3);
  EXPECT_EQ(shell.device->Running().channel, 6);
  EXPECT_EQ(shell.Send("\r"), "\r\nLocal: ");
}

TEST(ShellEngineTest, CloseCallbackMayDestroyTheEngine) {
  std::string received;
  std::unique_ptr<ShellEngine> engine;
  engine = std::make_unique<ShellEngine>(
      std::make_shared<PrintServerState>(), [&](std::string_view bytes) { received += bytes; },
      [&] { engine.reset(); });
  engine->Feed("exit\r\r");
  EXPECT_EQ(engine, nullptr);
  EXPECT_EQ(received, "exit\r\nExit Configuration task\r\n");
}

TEST(ShellEngineTest, ByteByByteInputGivesTheSameBytesAsWholeInput) {
  const std::string script =
      "\rSH NW\rSET NW SSID A b \rSH NW SSID\r\nSAVE\r\rSH IP\rSH VERSION\rFOO\rSET NW CH 0\r"
      "unpro\rexit\r";
  ShellHarness whole;
  ShellHarness bytewise;
  const std::string answer = whole.Send(script);
  std::string bytewiseAnswer;
  for (char c : script) bytewiseAnswer += bytewise.Send(std::string(1, c));
  EXPECT_EQ(whole.chunks.size(), 1u);
  EXPECT_EQ(bytewiseAnswer, answer);
  EXPECT_EQ(bytewise.closes, 1);
}

TEST(ShellEngineTest, SecretsNeverAppearInAnswers) {
  ShellHarness shell("ShellPw99");
  EXPECT_EQ(shell.Send("unpro\rShellPw99\r"), "unpro\r\nPassword> \r\nLocal> ");
  const std::string wepKey = "00112233445566778899AABBCC";
  shell.Send(
      "SET NW ENC 128\rSET NW KEY# 2\rSET NW PW EapSecret\rSET NW WPAPSK PskSecret1\r"
      "SET NW KEYVAL " +
      wepKey + "\r");
  const std::string shown = shell.Send(
      "SH NW\rSH NW STATS\rSH IP\rSH NW WEP\rSH NW KEY#\rSH NW ID\rSH NW REALM\rSH NW CERTKEY\r");
  for (const std::string& secret :
       {std::string("ShellPw99"), std::string("EapSecret"), std::string("PskSecret1"), wepKey}) {
    EXPECT_EQ(shown.find(secret), std::string::npos) << secret;
  }
  EXPECT_NE(shown.find("WEP Key #2: " + std::string(wepKey.size(), '*') + "\r\n"),
            std::string::npos);
}

struct FaultCase {
  bool ShellFaults::*flag;
  std::string sent;
  std::string expected;
};

TEST(ShellEngineTest, FaultsChangeTheAnswerBytes) {
  const std::vector<FaultCase> cases = {
      {&ShellFaults::noEcho, "SH NW CH\r", "\r\nChannel: 6\r\nLocal> "},
      {&ShellFaults::stallAfterEcho, "SET NW CH 3\r", "SET NW CH 3\r\n"},
      {&ShellFaults::noPrompt, "SH NW CH\r", "SH NW CH\r\nChannel: 6\r\n"},
  };
  for (const FaultCase& fault : cases) {
    ShellHarness shell;
    shell.engine.Faults().*fault.flag = true;
    shell.engine.Faults().strayBytesBeforeEcho = "\x07#";
    EXPECT_EQ(shell.Send(fault.sent), "\x07#" + fault.expected) << fault.sent;
    EXPECT_EQ(shell.chunks.size(), 1u) << fault.sent;
    EXPECT_EQ(shell.device->Running().channel, 6)
        << fault.sent << ": a stalled line was carried out";
  }
  // An overridden line is not carried out either.
  ShellHarness shell;
  shell.engine.Faults().answerOverrides["set nw ch 3"] = {"Wifi mode = Bridge", "x"};
  EXPECT_EQ(shell.Send("SET NW CH 3\r"), "SET NW CH 3\r\nWifi mode = Bridge\r\nx\r\nLocal> ");
  EXPECT_EQ(shell.device->Running().channel, 6);
}

}  // namespace
}  // namespace pelmora
