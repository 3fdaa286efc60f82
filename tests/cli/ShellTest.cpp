// The interactive shell and the progress display on a real terminal: the tool runs inside a
// private tmux server, the test types keys and reads the screen.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <thread>

#include "FakePrintServer.h"
#include "ToolProcess.h"

namespace pelmora::testing {
namespace {

using namespace std::chrono_literals;

std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// A terminal of 100 by 30 characters in a tmux server of its own, running one shell command.
class Terminal {
 public:
  explicit Terminal(const std::string& command)
      : server_("pelmora-test-" + std::to_string(getpid()) + "-" + std::to_string(++count_)) {
    Tmux("-f /dev/null new-session -d -s t -x 100 -y 30 " + Quoted(command + "; sleep 60"));
  }
  ~Terminal() { Tmux("kill-server"); }

  void Type(const std::string& text) { Tmux("send-keys -t t -l " + Quoted(text)); }
  void Keys(const std::string& keys) { Tmux("send-keys -t t " + keys); }

  std::string Screen() const {
    std::string screen;
    FILE* pipe = popen(("tmux -L " + server_ + " capture-pane -p -t t 2>/dev/null").c_str(), "r");
    if (pipe == nullptr) return screen;
    char buffer[4096];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) screen.append(buffer, n);
    pclose(pipe);
    return screen;
  }

  // Reads the screen every 50 ms until it shows the text.
  bool WaitFor(const std::string& text, std::chrono::milliseconds limit = 10s) const {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (Screen().find(text) == std::string::npos) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(50ms);
    }
    return true;
  }

 private:
  void Tmux(const std::string& arguments) const {
    const int status =
        std::system(("tmux -L " + server_ + " " + arguments + " >/dev/null 2>&1").c_str());
    (void)status;
  }

  static inline int count_ = 0;  // a server of its own for each terminal, never a dying one
  std::string server_;
};

bool HaveTmux() {
  return std::system("command -v tmux >/dev/null 2>&1") == 0;
}

std::string Tool(const std::string& arguments) {
  return Quoted(PELMORA_TOOL) + " " + arguments + "; echo ENDED-$?";
}

TEST(Shell, EditsLinesKeepsHistoryAndPrintsAnswersAndErrors) {
  if (!HaveTmux()) GTEST_SKIP() << "tmux is not installed";
  Terminal terminal(Tool("shell"));
  ASSERT_TRUE(terminal.WaitFor("Local>")) << terminal.Screen();
  terminal.Type("SH NW SSID");
  terminal.Keys("Enter");
  ASSERT_TRUE(terminal.WaitFor("WiFi SSID: PrintNet")) << terminal.Screen();

  // Line editing: a typo mended with the cursor keys before the line is sent.
  terminal.Type("SET NW SSID OficeNet");
  terminal.Keys("Left Left Left Left Left Left");
  terminal.Type("f");
  terminal.Keys("Enter");
  terminal.Type("SH NW NONSENSE");
  terminal.Keys("Enter");
  ASSERT_TRUE(terminal.WaitFor("error 9998 (Command): Device reported error:"))
      << terminal.Screen();

  // History: three lines back is "SH NW SSID", which now shows the new name.
  terminal.Keys("Up Up Up Enter");
  ASSERT_TRUE(terminal.WaitFor("WiFi SSID: OfficeNet")) << terminal.Screen();

  terminal.Type("exit");
  terminal.Keys("Enter");
  EXPECT_TRUE(terminal.WaitFor("ENDED-0")) << terminal.Screen();
}

TEST(Shell, ShowsWhatTheDeviceSendsOnItsOwnAboveTheLineBeingTyped) {
  if (!HaveTmux()) GTEST_SKIP() << "tmux is not installed";
  FakePrintServer device;
  device.Answer("SH NW SSID", "WiFi SSID: Shop");
  Terminal terminal(Tool("--host " + device.Address() + " shell"));
  ASSERT_TRUE(terminal.WaitFor("Local>")) << terminal.Screen();
  terminal.Type("SH NW");
  ASSERT_TRUE(terminal.WaitFor("Local> SH NW")) << terminal.Screen();

  device.SendUnsolicited("\r\nPAPER OUT ON TRAY 2\r\n");
  ASSERT_TRUE(terminal.WaitFor("PAPER OUT ON TRAY 2")) << terminal.Screen();
  const std::string screen = terminal.Screen();
  EXPECT_LT(screen.find("PAPER OUT ON TRAY 2"), screen.rfind("Local> SH NW")) << screen;

  terminal.Type(" SSID");
  terminal.Keys("Enter");
  EXPECT_TRUE(terminal.WaitFor("WiFi SSID: Shop")) << terminal.Screen();
  terminal.Keys("C-d");
  EXPECT_TRUE(terminal.WaitFor("ENDED-0")) << terminal.Screen();
}

TEST(Shell, ProgressIsDrawnOnTheTerminalAndCtrlCCancels) {
  if (!HaveTmux()) GTEST_SKIP() << "tmux is not installed";
  FakePrintServer device(FakePrintServer::Mode::Silent);
  Terminal terminal(Tool("--host " + device.Address() + " get ssid"));
  ASSERT_TRUE(terminal.WaitFor("[2/3] Waiting for response [")) << terminal.Screen();
  terminal.Keys("C-c");
  ASSERT_TRUE(terminal.WaitFor("ENDED-1")) << terminal.Screen();
  const std::string screen = terminal.Screen();
  EXPECT_NE(screen.find("error 113 (ProtocolHandler:Query Method): Command cancelled"),
            std::string::npos)
      << screen;
  EXPECT_EQ(screen.find("Waiting for response"), std::string::npos) << "not wiped:\n" << screen;
}

}  // namespace
}  // namespace pelmora::testing
