#include "pelmora/simulator/ShellEngine.h"

#include <algorithm>
#include <utility>

#include "pelmora/simulator/ShellCommandSet.h"

namespace pelmora {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

}  // namespace

ShellEngine::ShellEngine(std::shared_ptr<PrintServerState> device, OutputHandler output,
                         CloseHandler close)
    : device_(std::move(device)), output_(std::move(output)), close_(std::move(close)) {
  BeginSession();
}

void ShellEngine::Feed(std::string_view bytes) {
  if (state_ == ShellState::Restarting) return;
  for (char c : bytes) {
    if (c == '\n') continue;
    if (c != '\r') {
      if (line_.size() < kMaxLineLength) line_ += c;
      continue;
    }
    const std::string line = std::exchange(line_, {});
    if (HandleLine(line) == LineResult::SessionEnded) return EndSession();
  }
  Flush();
}

void ShellEngine::EmitUnsolicited(std::string_view text) {
  if (!text.empty() && output_) output_(text);
}

void ShellEngine::FinishRestart() noexcept {
  if (state_ == ShellState::Restarting) state_ = ShellState::Closed;
}

void ShellEngine::Disconnect() noexcept {
  line_.clear();
  out_.clear();
  if (state_ != ShellState::Restarting) state_ = ShellState::Closed;
}

ShellEngine::LineResult ShellEngine::HandleLine(const std::string& line) {
  ++linesReceived_;
  if (faults_.dropSessionAtLine == linesReceived_) {
    state_ = ShellState::Closed;
    return LineResult::SessionEnded;
  }
  if (state_ == ShellState::Closed) BeginSession();
  const bool silent = state_ == ShellState::Password;
  const std::string_view echo = silent ? std::string_view() : std::string_view(line);
  if (faults_.stallAfterEcho) {
    WriteEcho(echo);
    return LineResult::Continue;
  }
  return Apply(echo, silent ? CheckPassword(line) : Answer(line));
}

ShellReply ShellEngine::Answer(const std::string& line) {
  if (line.empty()) return {};
  const auto override = faults_.answerOverrides.find(line);
  if (override != faults_.answerOverrides.end()) return ShellReply::Lines(override->second);
  return ShellCommandSet::Run(*device_, line, state_ == ShellState::Protected);
}

// A wrong password is not asked for again: the session falls back to protected.
ShellReply ShellEngine::CheckPassword(const std::string& line) {
  if (device_->PasswordMatches(line)) {
    state_ = ShellState::Privileged;
    return {};
  }
  state_ = ShellState::Protected;
  return ShellReply::Lines({"Access denied"});
}

ShellEngine::LineResult ShellEngine::Apply(std::string_view echo, ShellReply reply) {
  bool ends = false;
  switch (reply.effect) {
    case ShellReply::Effect::None:
      break;
    case ShellReply::Effect::AwaitPassword:
      state_ = ShellState::Password;
      break;
    case ShellReply::Effect::EndSession:
      state_ = ShellState::Closed;
      ends = true;
      break;
    case ShellReply::Effect::Restart:
      state_ = RestartDelay().count() > 0 ? ShellState::Restarting : ShellState::Closed;
      ends = true;
      break;
  }
  Write(echo, reply, !ends);
  return ends ? LineResult::SessionEnded : LineResult::Continue;
}

void ShellEngine::BeginSession() noexcept {
  state_ = device_->ShellPassword() ? ShellState::Protected : ShellState::Privileged;
}

void ShellEngine::WriteEcho(std::string_view echo) {
  out_ += faults_.strayBytesBeforeEcho;
  if (!faults_.noEcho) out_ += echo;
  out_ += kLineEnd;
}

void ShellEngine::Write(std::string_view echo, const ShellReply& reply, bool withPrompt) {
  WriteEcho(echo);
  if (reply.error) {
    out_ += "%cfgerr: ";
    out_ += ShellReply::Message(*reply.error);
    out_ += kLineEnd;
  }
  for (const std::string& line : reply.lines) {
    out_ += line;
    out_ += kLineEnd;
  }
  if (withPrompt) out_ += Prompt();
}

std::string ShellEngine::Prompt() const {
  std::string prompt;
  switch (state_) {
    case ShellState::Privileged:
      prompt = "Local> ";
      break;
    case ShellState::Protected:
      prompt = "Local: ";
      break;
    case ShellState::Password:
      prompt = "Password> ";
      break;
    case ShellState::Closed:
    case ShellState::Restarting:
      break;
  }
  return faults_.noPrompt ? std::string() : prompt;
}

void ShellEngine::Flush() {
  if (out_.empty()) return;
  const std::string chunk = std::exchange(out_, {});
  if (output_) output_(chunk);
}

void ShellEngine::EndSession() {
  line_.clear();
  Flush();
  // A copy, because the callback may destroy this engine and with it close_.
  const CloseHandler close = close_;
  if (close) close();
}

}  // namespace pelmora
