#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "pelmora/simulator/PrintServerState.h"
#include "pelmora/simulator/ShellFaults.h"
#include "pelmora/simulator/ShellReply.h"

namespace pelmora {

// The print server's configuration shell as a push engine: bytes in through Feed, bytes out
// through the output callback, no I/O, no clock, no threads. The same engine serves a TCP
// connection, an in-process pipe or a fuzzer.
//
// Input is split into lines at each CR; every LF is ignored; text after the last CR waits for
// the next Feed. Everything one Feed causes is emitted as ONE output chunk (so "SAVE" CR CR sends
// both prompts together). Opening and closing a connection means nothing to the engine: it
// prints no banner, and its state carries over.
//
// Answers: the line's echo, CR LF, answer lines each ending in CR LF, the prompt. A bare CR gets
// CR LF and the prompt; the password line gets no echo. Errors are lines "%cfgerr: MESSAGE".
//
//                 (new engine, or the first line after CLOSED)
//                      | shell password?
//               no     v     yes
//   PRIVILEGED <---- begin ----> PROTECTED ---"unpro"---> PASSWORD
//   "Local> "   <----------------right password----------- "Password> "
//                                PROTECTED <--wrong-------/
//   "exit" (in any open state but PASSWORD): farewell, CLOSED, close callback
//   "INI" (PRIVILEGED): farewell, running := saved, close callback, then
//        RESTARTING (input ignored until FinishRestart) if the device's restart delay is
//        non-zero, else CLOSED straight away
//
// When the session ends (exit, INI, the dropped-session fault), what the Feed produced so far is
// emitted first, the rest of that Feed's input is discarded (it was sent to a closed session),
// and the close callback is called last; it may destroy the engine. The serving layer ends the
// connection there and drops whatever still arrives on it; the engine itself stays usable, and
// the next Feed (on a new connection) opens a new session.
//
// Not thread-safe; callbacks must not call Feed again.
class ShellEngine {
 public:
  using OutputHandler = std::function<void(std::string_view bytes)>;
  using CloseHandler = std::function<void()>;

  enum class ShellState { Privileged, Protected, Password, Closed, Restarting };

  // The device's line buffer: characters beyond it are dropped, not echoed.
  static constexpr std::size_t kMaxLineLength = 4096;

  ShellEngine(std::shared_ptr<PrintServerState> device, OutputHandler output,
              CloseHandler close = {});
  ShellEngine(const ShellEngine&) = delete;
  ShellEngine& operator=(const ShellEngine&) = delete;

  void Feed(std::string_view bytes);

  // Text the device prints on its own, outside any answer: emitted at once, verbatim, as one
  // chunk (the caller writes the line ends it wants).
  void EmitUnsolicited(std::string_view text);

  // The serving layer calls this RestartDelay() after INI left the engine RESTARTING.
  void FinishRestart() noexcept;

  // The peer ended the connection: the session ends without a word and a partial line is
  // dropped, so the next Feed (on a new connection) opens a new session. A restart goes on.
  void Disconnect() noexcept;

  ShellState State() const noexcept { return state_; }
  std::chrono::milliseconds RestartDelay() const noexcept { return device_->RestartDelay(); }
  // Completed lines taken in (lines swallowed while RESTARTING are not counted).
  std::uint64_t LinesReceived() const noexcept { return linesReceived_; }

  ShellFaults& Faults() noexcept { return faults_; }
  const ShellFaults& Faults() const noexcept { return faults_; }
  PrintServerState& Device() noexcept { return *device_; }
  const PrintServerState& Device() const noexcept { return *device_; }

 private:
  enum class LineResult { Continue, SessionEnded };

  LineResult HandleLine(const std::string& line);
  ShellReply Answer(const std::string& line);
  ShellReply CheckPassword(const std::string& line);
  LineResult Apply(std::string_view echo, ShellReply reply);
  void BeginSession() noexcept;
  void WriteEcho(std::string_view echo);
  void Write(std::string_view echo, const ShellReply& reply, bool withPrompt);
  std::string Prompt() const;
  void Flush();
  void EndSession();

  std::shared_ptr<PrintServerState> device_;
  OutputHandler output_;
  CloseHandler close_;
  ShellFaults faults_;
  ShellState state_ = ShellState::Closed;
  std::uint64_t linesReceived_ = 0;
  std::string line_;
  std::string out_;
};

}  // namespace pelmora
