#include "pelmora/simulator/ShellEngine.h"

#include <gtest/gtest.h>

namespace pelmora {
namespace {

using State = ShellEngine::ShellState;

struct Shell {
  explicit Shell(std::optional<std::string> password = std::nullopt)
      : device(std::make_shared<PrintServerState>()),
        engine((device->SetShellPassword(std::move(password)), device),
               [this](std::string_view bytes) { chunks.emplace_back(bytes); },
               [this] { ++closes; }) {}

  std::string Send(std::string_view bytes) {
    const std::size_t before = chunks.size();
    engine.Feed(bytes);
    std::string emitted;
    for (std::size_t i = before; i < chunks.size(); ++i) emitted += chunks[i];
    return emitted;
  }

  // Each pair is one Feed and its exact answer, which must come as exactly one chunk. A twin
  // shell fed the whole script byte by byte must answer the same bytes.
  void Replay(const std::vector<std::pair<std::string, std::string>>& script) {
    Shell twin(device->ShellPassword());
    std::string bytewise;
    std::string whole;
    for (const auto& [sent, expected] : script) {
      const std::size_t before = chunks.size();
      EXPECT_EQ(Send(sent), expected) << "sent: " << sent;
      EXPECT_EQ(chunks.size(), before + 1) << "sent: " << sent;
      for (const char c : sent) bytewise += twin.Send(std::string(1, c));
      whole += expected;
    }
    EXPECT_EQ(bytewise, whole);
    EXPECT_EQ(twin.closes, closes);
  }

  std::vector<std::string> chunks;
  int closes = 0;
  std::shared_ptr<PrintServerState> device;
  ShellEngine engine;
};

// The screens themselves are the tool's exact output (CommandsTest).
TEST(ShellEngineTest, PrivilegedShellAnswersByteForByte) {
  Shell shell;
  const std::string overlong(ShellEngine::kMaxLineLength, 'A');
  shell.Replay({
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
      {"exit\r", "exit\r\nExit Configuration task\r\n"},
  });
  EXPECT_EQ(shell.closes, 1);
  EXPECT_EQ(shell.device->Saved()->Load().mode, "AD_HOC");
}

TEST(ShellEngineTest, ProtectedShellRefusesChangesUntilThePasswordIsGiven) {
  Shell shell("s3cret");
  const std::string refused = "%cfgerr: Not permitted in protected mode\r\n";
  shell.Replay({
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

  Shell empty("");  // given as the bare carriage return
  empty.Replay({{"unpro\r", "unpro\r\nPassword> "}, {"\r", "\r\nLocal> "}});
  EXPECT_EQ(empty.engine.State(), State::Privileged);
}

TEST(ShellEngineTest, ExitIniOrADroppedLineEndTheSessionAndTheNextLineOpensANewOne) {
  Shell shell("pw");
  shell.Send("unpro\rpw\rSET NW SSID Saved\rSAVE\rSET NW SSID Unsaved\rSET NW CH 11\r");
  // Input behind "exit" in the same Feed went to a closed session.
  EXPECT_EQ(shell.Send("exit\rSH NW CH\r"), "exit\r\nExit Configuration task\r\n");
  EXPECT_EQ(shell.closes, 1);
  EXPECT_EQ(shell.Send("\r"), "\r\nLocal: ");

  shell.Send("unpro\rpw\r");
  EXPECT_EQ(shell.Send("INI\r\r"), "INI\r\nResetting print server\r\nExit Configuration task\r\n");
  EXPECT_EQ(shell.closes, 2);  // what it reloads: RoundTripTest's reset

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

TEST(ShellEngineTest, SecretsNeverAppearInAnswers) {
  Shell shell("ShellPw99");
  const std::string wep = "00112233445566778899AABBCC";
  const std::string echoed = shell.Send(
      "unpro\rShellPw99\rSET NW ENC 128\rSET NW KEY# 2\rSET NW PW EapSecret\r"
      "SET NW WPAPSK PskSecret1\rSET NW KEYVAL " +
      wep + "\r");
  EXPECT_EQ(echoed.find("ShellPw99"), std::string::npos);
  const std::string shown = shell.Send(
      "SH NW\rSH NW STATS\rSH IP\rSH NW WEP\rSH NW KEY#\rSH NW ID\rSH NW REALM\rSH NW CERTKEY\r");
  for (const std::string& secret :
       {std::string("ShellPw99"), std::string("EapSecret"), std::string("PskSecret1"), wep})
    EXPECT_EQ(shown.find(secret), std::string::npos) << secret;
  EXPECT_NE(shown.find("WEP Key #2: " + std::string(wep.size(), '*') + "\r\n"), std::string::npos);
}

TEST(ShellEngineTest, FaultsChangeTheAnswerBytesAndTheLineIsNotCarriedOut) {
  // No echo and no prompt without stray bytes: DeviceFaultsTest.
  for (const bool stall : {true, false}) {
    Shell shell;
    ShellFaults& faults = shell.engine.Faults();
    faults.strayBytesBeforeEcho = "\x07#";
    faults.stallAfterEcho = stall;
    if (!stall) faults.answerOverrides["set nw ch 3"] = {"Wifi mode = Bridge", "x"};
    EXPECT_EQ(
        shell.Send("SET NW CH 3\r"),
        "\x07#SET NW CH 3\r\n" + std::string(stall ? "" : "Wifi mode = Bridge\r\nx\r\nLocal> "));
    EXPECT_EQ(shell.chunks.size(), 1u) << stall;
    EXPECT_EQ(shell.device->Running().channel, 6) << stall;
  }
}

}  // namespace
}  // namespace pelmora
