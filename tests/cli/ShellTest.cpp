// The interactive shell and the progress display on a real terminal: the tool runs inside a
// private tmux server, the test types keys and reads the screen.
#include "FakePrintServer.h"

namespace pelmora::testing {
namespace {

std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// A terminal of 100 by 30 characters in a tmux server of its own (never a dying one), running
// the tool with the arguments and then printing its exit status.
class Terminal {
 public:
  explicit Terminal(const std::string& arguments)
      : tmux_("tmux -L pelmora-test-" + std::to_string(getpid()) + "-" + std::to_string(++count_)) {
    if (std::system("command -v tmux >/dev/null") != 0) throw std::runtime_error("no tmux");
    Tmux("-f /dev/null new-session -d -s t -x 100 -y 30 " +
         Quoted(Quoted(PELMORA_TOOL) + " " + arguments + "; echo ENDED-$?; sleep 60"));
  }
  ~Terminal() {
    Tmux("kill-server");
    std::remove(screen_.c_str());
  }

  void Type(const std::string& text) { Tmux("send-keys -t t -l " + Quoted(text)); }
  void Keys(const std::string& keys) { Tmux("send-keys -t t " + keys); }

  std::string Screen() const {
    Tmux("capture-pane -p -t t >" + screen_);
    return ReadFile(screen_);
  }

  void Line(const std::string& text) {
    Tmux("send-keys -t t -l " + Quoted(text) + " \\; send-keys -t t Enter");
  }

  ::testing::AssertionResult Shows(const std::string& text) const {
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!Has(Screen(), text) && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(50ms);
    return Has(Screen(), text);
  }

 private:
  void Tmux(const std::string& arguments) const {
    (void)!std::system((tmux_ + " " + arguments + " 2>/dev/null").c_str());
  }

  static inline int count_ = 0;
  std::string tmux_;
  std::string screen_ = TempPath("screen");
};

TEST(Shell, EditsLinesKeepsHistoryAndPrintsAnswersAndErrors) {
  Terminal terminal("shell");
  ASSERT_TRUE(terminal.Shows("Local>"));
  terminal.Line("SH NW SSID");
  ASSERT_TRUE(terminal.Shows("WiFi SSID: PrintNet"));

  // Line editing: a typo mended with the cursor keys before the line is sent.
  terminal.Type("SET NW SSID OficeNet");
  terminal.Keys("Left Left Left Left Left Left");
  terminal.Line("f");
  terminal.Line("SH NW NONSENSE");
  ASSERT_TRUE(terminal.Shows("error 9998 (Command): Device reported error:"));

  // History: three lines back is "SH NW SSID", which now shows the new name.
  terminal.Keys("Up Up Up Enter");
  ASSERT_TRUE(terminal.Shows("WiFi SSID: OfficeNet"));

  terminal.Line("exit");
  EXPECT_TRUE(terminal.Shows("ENDED-0"));
}

TEST(Shell, ShowsWhatTheDeviceSendsOnItsOwnAboveTheLineBeingTyped) {
  FakePrintServer device;
  device.Answer({"SH NW SSID", "WiFi SSID: Shop"});
  Terminal terminal("--host " + device.Address() + " shell");
  ASSERT_TRUE(terminal.Shows("Local>"));
  terminal.Type("SH NW");
  ASSERT_TRUE(terminal.Shows("Local> SH NW"));

  device.SendUnsolicited("\r\nPAPER OUT ON TRAY 2\r\n");
  ASSERT_TRUE(terminal.Shows("PAPER OUT ON TRAY 2"));
  const std::string screen = terminal.Screen();
  EXPECT_LT(screen.find("PAPER OUT ON TRAY 2"), screen.rfind("Local> SH NW")) << screen;

  terminal.Line(" SSID");
  EXPECT_TRUE(terminal.Shows("WiFi SSID: Shop"));
  terminal.Keys("C-d");
  EXPECT_TRUE(terminal.Shows("ENDED-0"));
}

TEST(Shell, ProgressIsDrawnOnTheTerminalAndCtrlCCancels) {
  FakePrintServer device(FakePrintServer::Mode::Silent);
  Terminal terminal("--host " + device.Address() + " get ssid");
  ASSERT_TRUE(terminal.Shows("[2/3] Waiting for response ["));
  terminal.Keys("C-c");
  ASSERT_TRUE(terminal.Shows("ENDED-1"));
  const std::string screen = terminal.Screen();
  EXPECT_TRUE(Has(screen, "error 113 (ProtocolHandler:Query Method): Command cancelled"));
  EXPECT_EQ(screen.find("Waiting for response"), std::string::npos) << "not wiped:\n" << screen;
}

}  // namespace
}  // namespace pelmora::testing
