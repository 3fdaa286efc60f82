#include "InteractiveShell.h"

#include <poll.h>
#include <readline/history.h>
#include <readline/readline.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <utility>

#include "OutputWriter.h"
#include "pelmora/device/DeviceInternals.h"
#include "pelmora/platform/Apartment.h"

namespace pelmora::cli {

namespace {

constexpr int kKeystrokeWaitMs = 50;

InteractiveShell* gActiveShell = nullptr;

// Draws the prompt alone, for the line that holds the shell password.
void HiddenRedisplay() {
  std::fprintf(rl_outstream, "\r\033[K%s", rl_display_prompt);
  std::fflush(rl_outstream);
}

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

bool IsUnpro(const std::string& line) {
  std::string lowered = Trimmed(line);
  for (auto& c : lowered) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lowered == "unpro";
}

// Trapped text comes as complete lines with the line breaks between them; the kept tail of the
// previous read may put a line break in front.
std::string TrappedLines(const std::string& trapped) {
  std::string text = OutputWriter::PlainLineFeeds(trapped);
  const auto first = text.find_first_not_of('\n');
  return first == std::string::npos ? std::string() : text.substr(first);
}

}  // namespace

InteractiveShell::InteractiveShell(DeviceSession& session, std::string targetName,
                                   std::function<void()> acknowledge)
    : session_(session), targetName_(std::move(targetName)), acknowledge_(std::move(acknowledge)) {}

bool InteractiveShell::TakeInterrupt() {
  const auto& cancel = session_.Underlying().CancelHandle();
  if (!cancel->Requested()) return false;
  cancel->Reset();
  if (acknowledge_) acknowledge_();
  return true;
}

int InteractiveShell::Run() {
  terminal_ = isatty(STDIN_FILENO) == 1;
  try {
    session_.Device().IsReadOnlyMode();  // reaches the device and learns its prompt
  } catch (const AutomationError& error) {
    std::cerr << OutputWriter::ErrorLine(error) << '\n';
    return 1;
  }
  return terminal_ ? RunTerminal() : RunPiped();
}

int InteractiveShell::RunTerminal() {
  std::cout << "Connected to " << targetName_ << ". Type shell commands; \"exit\" or Ctrl-D ends."
            << std::endl;
  // Gives the terminal back in its own mode however the session ends.
  struct Installed {
    explicit Installed(InteractiveShell* shell) {
      gActiveShell = shell;
      rl_catch_signals = 0;
      rl_callback_handler_install(shell->Prompt().c_str(), LineHandler);
    }
    ~Installed() {
      rl_callback_handler_remove();
      gActiveShell = nullptr;
    }
    Installed(const Installed&) = delete;
    Installed& operator=(const Installed&) = delete;
  } installed(this);
  while (!done_) {
    pollfd input{STDIN_FILENO, POLLIN, 0};
    const int ready = poll(&input, 1, kKeystrokeWaitMs);
    if (TakeInterrupt()) OnInterruptAtPrompt();
    if (ready > 0 && (input.revents & (POLLIN | POLLHUP)) != 0) rl_callback_read_char();
    if (done_) break;
    Apartment::Current().PumpReady();
    ShowTrapped();
  }
  return 0;
}

int InteractiveShell::RunPiped() {
  std::string line;
  while (!done_ && std::getline(std::cin, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    OnLine(line.c_str());
    Apartment::Current().PumpReady();
    ShowTrapped();
  }
  return 0;
}

void InteractiveShell::LineHandler(char* line) {
  if (gActiveShell != nullptr) gActiveShell->OnLine(line);
  std::free(line);
}

void InteractiveShell::OnLine(const char* line) {
  if (line == nullptr || Trimmed(line) == "exit") {
    if (line == nullptr && terminal_) std::cout << '\n';
    done_ = true;
    return;
  }
  const std::string text(line);
  const bool password = std::exchange(passwordNext_, false);
  if (terminal_) {
    rl_redisplay_function = rl_redisplay;
    if (!password && !Trimmed(text).empty()) add_history(text.c_str());
  }
  if (password) {
    session_.HideFromTranscript(text);
    Execute(text, true);
  } else {
    const bool wasReadOnly = ReadOnly();
    passwordNext_ = Execute(text, false) && IsUnpro(text) && wasReadOnly;
  }
  if (!terminal_) return;
  rl_set_prompt(passwordNext_ ? "Password> " : Prompt().c_str());
  if (passwordNext_) rl_redisplay_function = HiddenRedisplay;
}

bool InteractiveShell::Execute(const std::string& line, bool silent) {
  bool succeeded = true;
  try {
    const std::string reply = session_.Device().Command(line + "\r", session_.Progress(), silent);
    if (!reply.empty()) std::cout << OutputWriter::PlainLineFeeds(reply) << '\n';
  } catch (const AutomationError& error) {
    std::cerr << OutputWriter::ErrorLine(error) << '\n';
    succeeded = false;
  }
  std::cout.flush();
  TakeInterrupt();
  return succeeded;
}

void InteractiveShell::ShowTrapped() {
  const std::string text = TrappedLines(session_.Device().TrappedMessage());
  if (text.empty()) return;
  if (!terminal_) {
    std::cout << text << std::endl;
    return;
  }
  // Lift the line being typed, print the text where it stood, and put the line back below.
  char* saved = rl_copy_text(0, rl_end);
  const int point = rl_point;
  const std::string prompt = rl_prompt != nullptr ? rl_prompt : "";
  rl_set_prompt("");
  rl_replace_line("", 0);
  rl_redisplay();
  std::cout << '\r' << text << std::endl;
  rl_set_prompt(prompt.c_str());
  rl_replace_line(saved, 0);
  rl_point = point;
  rl_redisplay();
  std::free(saved);
}

void InteractiveShell::OnInterruptAtPrompt() {
  passwordNext_ = false;
  rl_redisplay_function = rl_redisplay;
  rl_set_prompt(Prompt().c_str());
  std::cout << "^C" << std::endl;
  rl_replace_line("", 0);
  rl_on_new_line();
  rl_redisplay();
}

std::string InteractiveShell::Prompt() const {
  return ReadOnly() ? "Local: " : "Local> ";
}

bool InteractiveShell::ReadOnly() const {
  return DeviceInternals::Handler(session_.Device())->ReadOnlyMode();
}

}  // namespace pelmora::cli
