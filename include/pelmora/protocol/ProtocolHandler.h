#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "pelmora/components/Connection.h"
#include "pelmora/components/Progress.h"
#include "pelmora/components/Timer.h"
#include "pelmora/fifo/FifoBuf.h"
#include "pelmora/protocol/CommandReply.h"
#include "pelmora/protocol/CommandReplyCollection.h"
#include "pelmora/protocol/IProtocolHndCallback.h"

namespace pelmora {

class ErrorSnapshot;

// Runs the request/response exchange with the print server's configuration shell, one command
// at a time. Command sends a line and then waits, letting the thread's events run through the
// callback's ProcessEvents, until the receive side has framed the answer into the command's
// record, a time limit passes, or the user cancels.
//
// Receive side: every chunk is appended to the receive buffer and arms the receive timer; at
// its tick, FramingDelay (10 ms by default) after the first chunk, the buffer is framed. An answer
// runs from the shell's echo of the command line to the first end-of-answer text, searched in this
// order (order, not position, decides):
//
//   "Local> "  -> read-write       "Password> "               -> read-only state unchanged
//   "Local: "  -> read-only        "Exit Configuration task"  -> read-only
//
// Handlers must be owned by a std::shared_ptr: Command and Abort hold a counted reference to
// the handler for their whole run, so a client that lets go of it from an event handler during
// the wait does not destroy it under the running call.
class ProtocolHandler : public std::enable_shared_from_this<ProtocolHandler> {
 public:
  ProtocolHandler();
  ~ProtocolHandler();
  ProtocolHandler(const ProtocolHandler&) = delete;
  ProtocolHandler& operator=(const ProtocolHandler&) = delete;

  void Reset();
  void Abort();

  // Sends `expression` unchanged (callers append the carriage return) and returns the framed
  // answer without leading and trailing line breaks. Timeout <= 0 applies DefaultTimeout.
  std::string Command(const std::string& expression, const std::shared_ptr<Connection>& connObj,
                      const std::shared_ptr<Progress>& progress = nullptr, std::int32_t timeout = 0,
                      bool silentCommand = false);

  bool XonXoffWarning() const noexcept { return mbXonXoffWarning; }

  // Library-internal members.
  void ReceiveBytes(const ByteArray& data);
  ByteArray TakeTerminalBytes();
  bool ReadOnlyMode() const noexcept { return mbReadOnly; }
  std::int32_t DefaultTimeout() const noexcept { return mlDefaultTimeout; }
  void SetDefaultTimeout(std::int32_t milliseconds) noexcept { mlDefaultTimeout = milliseconds; }
  std::int32_t WatchDogInterval() const noexcept { return mlWatchDogInterval; }
  void SetWatchDogInterval(std::int32_t milliseconds) noexcept {
    mlWatchDogInterval = milliseconds;
  }
  // How long after the first chunk of an answer the buffer is framed. The default waits for
  // the pieces of an answer that arrives split. 0 frames at once whenever the buffer, behind
  // the command's echo, ends with the first end-of-answer text found in the table's order;
  // otherwise the answer is framed at the default delay. The one result that can differ: an
  // answer that itself contains an end-of-answer text, split right behind it, is cut there.
  // A negative delay fails with 5 (invalid argument).
  static constexpr std::int32_t kDefaultFramingDelay = 10;
  std::int32_t FramingDelay() const noexcept { return mlFramingDelay; }
  void SetFramingDelay(std::int32_t milliseconds);
  // The owner, held without a count; the owner clears it before it lets the handler go.
  void SetCallback(IProtocolHndCallback* callback) noexcept { callback_ = callback; }
  std::shared_ptr<IProtocolHndCallback> Callback() const;
  bool ReplyStarted() noexcept;

  // The records of the recent commands (read access for clients and tests).
  CommandReplyCollection& Replies() noexcept { return moReplies; }
  const FifoBuf& ReceiveBuffer() const noexcept { return moReceiveBuffer; }

  // A waiting command holds at most this many received bytes; a device that streams more
  // without ever prompting ends the command with error 3008 (receive limit exceeded).
  static constexpr std::int32_t kMaxReplyBytes = 1024 * 1024;

 private:
  // Drives the receive side without a command's send and 10 ms wait, to measure the framing.
  friend class ProtocolHandlerProbe;

  enum class Outcome { None, NoResponse, TimedOut, Cancelled };
  enum class Stage { SetUp, Send, Wait, Finish };
  struct Run;

  std::int32_t NextMsgID() noexcept;
  void SetUp(Run& run);
  void Send(Run& run);
  void Wait(Run& run);
  void WaitPass(Run& run);
  std::int32_t WaitLimit(const Run& run) const noexcept;
  bool LimitPassed(const Run& run) const;
  void UpdateProgress(Run& run);
  std::string Finish(Run& run);
  [[noreturn]] void RaiseOutcome(Run& run);
  [[noreturn]] void Recover(Run& run, Stage failedIn, ErrorSnapshot& snapshot);

  void ReceiveTimerTick();
  void WatchDogTimerTick();
  std::int32_t CheckReplyState(FifoBuf& buffer);
  void ProcessReceived(FifoBuf& buffer);
  void ArmFraming();
  bool AnswerEndsBuffer();
  std::int64_t AfterEcho(const FifoBuf& buffer, const CommandReply& reply) const;
  std::shared_ptr<CommandReply> CurrentReply();
  // The callback, or the object-not-set error (91) when the owner has cleared it.
  std::shared_ptr<IProtocolHndCallback> RequireCallback() const;
  [[noreturn]] static void RaiseObjectNotSet();

  // Field order is creation order.
  std::int32_t mlDefaultTimeout = 10000;
  std::int32_t mlWatchDogInterval = 10000;
  std::int32_t mlFramingDelay = kDefaultFramingDelay;
  CommandReplyCollection moReplies;
  Timer moWatchDogTimer;
  Timer moReceiveTimer;
  FifoBuf moReceiveBuffer;
  FifoBuf moTerminalBuffer;
  IProtocolHndCallback* callback_ = nullptr;
  std::int32_t mlMsgID = 0;
  bool mbReplyStarted = false;
  bool mbDataReceived = false;
  bool mbInCommand = false;
  bool mbAbortRequested = false;
  bool mbXonXoffWarning = false;
  bool mbWatchDogActive = false;
  bool mbSilentCommand = false;
  bool mbReadOnly = false;
  bool mbReplyOverflow = false;
  Event<>::Subscription receiveTick_;
  Event<>::Subscription watchDogTick_;
};

}  // namespace pelmora
