#include "pelmora/simulator/ShellEngine.h"

#include <gtest/gtest.h>

#include <functional>
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

TEST(ShellEngineTest, PrivilegedShellAnswersByteForByte) {
  ShellHarness shell;
  Replay(shell, {
                    {"\r", "\r\nLocal> "},
                    {"\r\n", "\r\nLocal> "},
                    {"unpro\r", "unpro\r\nLocal> "},
                    {"SH NW CH\r", "SH NW CH\r\nChannel: 6\r\nLocal> "},
                    {"sh Nw cH\r", "sh Nw cH\r\nChannel: 6\r\nLocal> "},
                    {"SH N\nW CH\r", "SH NW CH\r\nChannel: 6\r\nLocal> "},
                    {"SET NW MO AD_HOC\r\r", "SET NW MO AD_HOC\r\nLocal> \r\nLocal> "},
                    {"SH NW MO\r", "SH NW MO\r\nWifi mode = Ad-Hoc (802.11)\r\nLocal> "},
                    {"SAVE\r\r", "SAVE\r\nConfiguration saved\r\nLocal> \r\nLocal> "},
                    {"FOO\r", "FOO\r\n%cfgerr: Unknown command\r\nLocal> "},
                    {"SET NW CH 14\r", "SET NW CH 14\r\n%cfgerr: Invalid channel\r\nLocal> "},
                    {"SET NW SSID\r", "SET NW SSID\r\n%cfgerr: Missing argument\r\nLocal> "},
                    {"SH NW CERTCN\r", "SH NW CERTCN\r\n\r\nLocal> "},
                    {"SH NW STATS\r",
                     "SH NW STATS\r\nTX Frames: 10234\r\nRX Frames: 20411\r\n"
                     "RX Discards WEP undecr: 17\r\nRX Discards other: 3\r\nLocal> "},
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
             {"SAVE\r\r", "SAVE\r\n" + refused + "Local: \r\nLocal: "},
             {"INI\r\r", "INI\r\n" + refused + "Local: \r\nLocal: "},
             {"unpro\r", "unpro\r\nPassword> "},
             {"wrong\r", "\r\nAccess denied\r\nLocal: "},
             {"unpro\r", "unpro\r\nPassword> "},
             {"exit\r", "\r\nAccess denied\r\nLocal: "},  // the password line is not a command
             {"unpro\r", "unpro\r\nPassword> "},
             {"s3cret\r", "\r\nLocal> "},
             {"SET NW SSID Other\r", "SET NW SSID Other\r\nLocal> "},
         });
  EXPECT_EQ(shell.device->Running().ssid, "Other");
  EXPECT_EQ(shell.closes, 0);
}

TEST(ShellEngineTest, EmptyShellPasswordIsTheBareCarriageReturn) {
  ShellHarness shell("");
  Replay(shell, {{"unpro\r", "unpro\r\nPassword> "}, {"\r", "\r\nLocal> "}});
  EXPECT_EQ(shell.engine.State(), State::Privileged);
}

TEST(ShellEngineTest, ExitEndsTheSessionAndTheNextLineOpensANewOne) {
  ShellHarness shell("pw");
  shell.Send("unpro\rpw\r");
  ASSERT_EQ(shell.engine.State(), State::Privileged);

  // Input behind "exit" in the same Feed went to a closed session.
  EXPECT_EQ(shell.Send("exit\rSH NW CH\r"), "exit\r\nExit Configuration task\r\n");
  EXPECT_EQ(shell.closes, 1);
  EXPECT_EQ(shell.engine.State(), State::Closed);

  EXPECT_EQ(shell.Send("\r"), "\r\nLocal: ");
  EXPECT_EQ(shell.engine.State(), State::Protected);
}

TEST(ShellEngineTest, IniRestoresTheSavedConfigurationAndDropsUnsavedChanges) {
  ShellHarness shell;
  shell.Send("SET NW SSID Saved\r");
  shell.Send("SAVE\r\r");
  shell.Send("SET NW SSID Unsaved\r");
  shell.Send("SET NW CH 11\r");

  EXPECT_EQ(shell.Send("INI\r\r"), "INI\r\nResetting print server\r\nExit Configuration task\r\n");
  EXPECT_EQ(shell.closes, 1);
  EXPECT_EQ(shell.engine.State(), State::Closed);

  EXPECT_EQ(shell.Send("SH NW SSID\r"), "SH NW SSID\r\nWiFi SSID: Saved\r\nLocal> ");
  EXPECT_EQ(shell.Send("SH NW CH\r"), "SH NW CH\r\nChannel: 6\r\nLocal> ");
}

TEST(ShellEngineTest, CloseCallbackMayDestroyTheEngine) {
  std::string received;
  auto device = std::make_shared<PrintServerState>();
  std::unique_ptr<ShellEngine> engine;
  engine = std::make_unique<ShellEngine>(
      device, [&](std::string_view bytes) { received += bytes; }, [&] { engine.reset(); });
  engine->Feed("exit\r\r");
  EXPECT_EQ(engine, nullptr);
  EXPECT_EQ(received, "exit\r\nExit Configuration task\r\n");
}

TEST(ShellEngineTest, RestartingIgnoresInputUntilTheServingLayerFinishesTheRestart) {
  ShellHarness shell;
  shell.device->SetRestartDelay(std::chrono::milliseconds(50));
  shell.Send("INI\r\r");
  EXPECT_EQ(shell.engine.State(), State::Restarting);
  EXPECT_EQ(shell.engine.RestartDelay(), std::chrono::milliseconds(50));

  const auto lines = shell.engine.LinesReceived();
  const auto chunks = shell.chunks.size();
  shell.Send("\rSH NW CH\r");
  EXPECT_EQ(shell.chunks.size(), chunks);
  EXPECT_EQ(shell.engine.LinesReceived(), lines);

  shell.engine.FinishRestart();
  EXPECT_EQ(shell.engine.State(), State::Closed);
  EXPECT_EQ(shell.Send("\r"), "\r\nLocal> ");
}

TEST(ShellEngineTest, ByteByByteInputGivesTheSameBytesAsWholeInput) {
  const std::string script =
      "\rSH NW\rSET NW SSID A b \rSH NW SSID\r\nSAVE\r\rSH IP\rSH VERSION\rFOO\rSET NW CH 0\r"
      "unpro\rexit\r";
  ShellHarness whole;
  ShellHarness bytewise;
  whole.Send(script);
  for (char c : script) bytewise.Send(std::string(1, c));
  EXPECT_EQ(whole.chunks.size(), 1u);
  EXPECT_EQ(bytewise.Joined(), whole.Joined());
  EXPECT_EQ(bytewise.closes, 1);
}

TEST(ShellEngineTest, OverlongLineIsCutToTheLineBuffer) {
  ShellHarness shell;
  const std::string kept(ShellEngine::kMaxLineLength, 'A');
  EXPECT_EQ(shell.Send(kept + "BBBB\r"), kept + "\r\n%cfgerr: Unknown command\r\nLocal> ");
}

TEST(ShellEngineTest, SecretsNeverAppearInAnswers) {
  ShellHarness shell("ShellPw99");
  EXPECT_EQ(shell.Send("unpro\rShellPw99\r"), "unpro\r\nPassword> \r\nLocal> ");
  const std::string wepKey = "00112233445566778899AABBCC";
  for (const char* line : {"SET NW ENC 128\r", "SET NW KEY# 2\r", "SET NW PW EapSecret\r",
                           "SET NW WPAPSK PskSecret1\r"}) {
    shell.Send(line);
  }
  shell.Send("SET NW KEYVAL " + wepKey + "\r");

  std::string shown;
  for (const char* line : {"SH NW", "SH NW STATS", "SH IP", "SH VERSION", "SH NW WEP", "SH NW KEY#",
                           "SH NW ID", "SH NW REALM", "SH NW CERTKEY", "SH NW AUTH"}) {
    shown += shell.Send(std::string(line) + "\r");
  }
  for (const std::string& secret :
       {std::string("ShellPw99"), std::string("EapSecret"), std::string("PskSecret1"), wepKey}) {
    EXPECT_EQ(shown.find(secret), std::string::npos) << secret;
  }
  EXPECT_NE(shown.find("WEP Key #2: " + std::string(wepKey.size(), '*') + "\r\n"),
            std::string::npos);
}

struct FaultCase {
  const char* name;
  std::function<void(ShellFaults&)> set;
  std::string sent;
  std::string expected;
};

TEST(ShellEngineTest, FaultsChangeTheAnswerBytes) {
  const std::vector<FaultCase> cases = {
      {"no echo", [](ShellFaults& f) { f.noEcho = true; }, "SH NW CH\r",
       "\r\nChannel: 6\r\nLocal> "},
      {"stall after echo", [](ShellFaults& f) { f.stallAfterEcho = true; }, "SET NW CH 3\r",
       "SET NW CH 3\r\n"},
      {"stray bytes", [](ShellFaults& f) { f.strayBytesBeforeEcho = "\x07#"; }, "SH NW CH\r",
       "\x07#SH NW CH\r\nChannel: 6\r\nLocal> "},
      {"xoff", [](ShellFaults& f) { f.xoffInAnswers = true; }, "SH NW CH\r",
       "SH NW CH\r\n\x13"
       "Channel: 6\r\nLocal> "},
      {"syntax marker", [](ShellFaults& f) { f.syntaxErrorMarker = true; }, "FOO\r",
       "FOO\r\n%cfgerr: syntax <>\r\nLocal> "},
      {"error line then another", [](ShellFaults& f) { f.errorLineFollowedByLine = true; },
       "SET NW CH 14\r",
       "SET NW CH 14\r\n%cfgerr: Invalid channel\r\nValid channels are 1 to 11\r\nLocal> "},
      {"capital error tag", [](ShellFaults& f) { f.upperCaseErrorTag = true; }, "FOO\r",
       "FOO\r\n%CFGERR: Unknown command\r\nLocal> "},
      {"prompt without blank", [](ShellFaults& f) { f.promptWithoutBlank = true; }, "\r",
       "\r\nLocal>"},
      {"no prompt", [](ShellFaults& f) { f.noPrompt = true; }, "SH NW CH\r",
       "SH NW CH\r\nChannel: 6\r\n"},
      {"silent reboot", [](ShellFaults& f) { f.silentReboot = true; }, "INI\r\r", "INI\r\n"},
      {"answer override",
       [](ShellFaults& f) {
         f.answerOverrides["sh nw mo"] = {"Wifi mode = Bridge", "x"};
       },
       "SH NW MO\r", "SH NW MO\r\nWifi mode = Bridge\r\nx\r\nLocal> "},
  };
  for (const FaultCase& fault : cases) {
    ShellHarness shell;
    fault.set(shell.engine.Faults());
    EXPECT_EQ(shell.Send(fault.sent), fault.expected) << fault.name;
    EXPECT_EQ(shell.device->Running().channel, 6) << fault.name << ": line was carried out";
  }
}

TEST(ShellEngineTest, WrongPasswordCanBeAnsweredWithAnErrorLine) {
  ShellHarness shell("pw");
  shell.engine.Faults().wrongPasswordAsError = true;
  shell.Send("unpro\r");
  EXPECT_EQ(shell.Send("bad\r"), "\r\n%cfgerr: Access denied\r\nLocal: ");
  EXPECT_EQ(shell.engine.State(), State::Protected);
}

TEST(ShellEngineTest, DroppedSessionClosesInsteadOfAnswering) {
  ShellHarness shell;
  shell.engine.Faults().dropSessionAtLine = 2;
  EXPECT_EQ(shell.Send("\rSET NW CH 3\r\r"), "\r\nLocal> ");
  EXPECT_EQ(shell.closes, 1);
  EXPECT_EQ(shell.engine.State(), State::Closed);
  EXPECT_EQ(shell.device->Running().channel, 6);
  EXPECT_EQ(shell.Send("\r"), "\r\nLocal> ");
  EXPECT_EQ(shell.engine.LinesReceived(), 3u);
}

TEST(ShellEngineTest, FloodAnswersWithExactlyTheAskedBytesAndNoPrompt) {
  ShellHarness shell;
  const std::size_t size = std::size_t{1} << 20;
  shell.engine.Faults().floodBytes = size;
  const std::string answer = shell.Send("SH NW CH\r");
  ASSERT_EQ(answer.size(), std::string("SH NW CH\r\n").size() + size);
  EXPECT_TRUE(answer.starts_with("SH NW CH\r\n"));
  EXPECT_EQ(answer.find("Local"), std::string::npos);
  EXPECT_EQ(shell.chunks.size(), 1u);
}

TEST(ShellEngineTest, UnsolicitedTextGoesOutVerbatimAsItsOwnChunk) {
  ShellHarness shell;
  shell.engine.EmitUnsolicited("");
  EXPECT_TRUE(shell.chunks.empty());
  shell.engine.EmitUnsolicited("\r\nLink up\r\n");
  ASSERT_EQ(shell.chunks.size(), 1u);
  EXPECT_EQ(shell.chunks[0], "\r\nLink up\r\n");
}

}  // namespace
}  // namespace pelmora
