#include "pelmora/protocol/ProtocolHandler.h"

#include <array>
#include <string_view>
#include <utility>

#include "pelmora/components/ErrorSnapshot.h"
#include "pelmora/components/Stopwatch.h"
#include "pelmora/platform/Apartment.h"
#include "pelmora/platform/ErrorMessages.h"
#include "pelmora/platform/ErrorNumbers.h"
#include "pelmora/protocol/LineBreaks.h"

namespace pelmora {

namespace {

// The entry checks and the outcomes differ in the case of the last word; callers match both.
const std::string kEntrySource = "ProtocolHandler:Query method";
const std::string kOutcomeSource = "ProtocolHandler:Query Method";
const std::string kChainSuffix = ">>ProtocolHandler:Command Method";
constexpr std::string_view kBareCarriageReturn = "\r";
constexpr char kXoff = 19;

struct EndOfAnswer {
  std::string_view text;
  enum { ReadWrite, ReadOnly, Unchanged } effect;
};
constexpr std::array<EndOfAnswer, 4> kEndsOfAnswer{{
    {"Local> ", EndOfAnswer::ReadWrite},
    {"Local: ", EndOfAnswer::ReadOnly},
    {"Password> ", EndOfAnswer::Unchanged},
    {"Exit Configuration task", EndOfAnswer::ReadOnly},
}};

std::string EchoText(const std::string& messageText) {
  std::string echo;
  echo.reserve(messageText.size());
  for (char c : messageText) {
    if (c != '\r') echo += c;
  }
  return echo;
}

// Position and entry of the first end-of-answer text, in the table's order, from `from` on.
std::pair<std::int32_t, const EndOfAnswer*> FindEndOfAnswer(const FifoBuf& buffer,
                                                            std::int64_t from) {
  for (const auto& end : kEndsOfAnswer) {
    if (const auto pos = buffer.FindStr(from, end.text)) return {pos, &end};
  }
  return {0, nullptr};
}

void IgnoreErrors(const auto& step) {
  try {
    step();
  } catch (...) {  // NOLINT(bugprone-empty-catch): clean-up must not replace the stored error
  }
}

}  // namespace

// The state of one running Command, shared by its stages and its error handlers.
struct ProtocolHandler::Run {
  // Counted copies: a client may detach the connection from an event handler during the wait.
  std::string expression;
  std::shared_ptr<Connection> connection;
  std::shared_ptr<Progress> callerProgress;
  std::int32_t timeout;
  std::shared_ptr<CommandReply> reply;
  std::shared_ptr<Progress> progress;
  Outcome outcome = Outcome::None;
  bool replied = false;
  bool started = false;
  bool cancel = false;
  std::int32_t receivingFrom = 0;
};

ProtocolHandler::ProtocolHandler() {
  moWatchDogTimer.SetInterval(mlWatchDogInterval);
  moWatchDogTimer.SetEnabled(false);
  moReceiveTimer.SetInterval(10);
  receiveTick_ = moReceiveTimer.OnTimer.Subscribe([this] { ReceiveTimerTick(); });
  watchDogTick_ = moWatchDogTimer.OnTimer.Subscribe([this] { WatchDogTimerTick(); });
}

ProtocolHandler::~ProtocolHandler() {
  moWatchDogTimer.SetEnabled(false);
  moReceiveTimer.SetEnabled(false);
}

std::shared_ptr<IProtocolHndCallback> ProtocolHandler::Callback() const {
  if (callback_ == nullptr) return nullptr;
  if (auto counted = callback_->weak_from_this().lock()) return counted;
  // An owner that is not held by a shared_ptr is referenced without a count.
  return std::shared_ptr<IProtocolHndCallback>(std::shared_ptr<IProtocolHndCallback>(), callback_);
}

bool ProtocolHandler::ReplyStarted() noexcept {
  return std::exchange(mbReplyStarted, false);
}

std::int32_t ProtocolHandler::NextMsgID() noexcept {
  mlMsgID = mlMsgID + 1 > 99 ? 1 : mlMsgID + 1;
  return mlMsgID;
}

ByteArray ProtocolHandler::TakeTerminalBytes() {
  ByteArray bytes = moTerminalBuffer.Buffer();
  moTerminalBuffer.Remove(moTerminalBuffer.Count());
  return bytes;
}

void ProtocolHandler::Reset() {
  Abort();
}

void ProtocolHandler::Abort() {
  if (mbAbortRequested || moReplies.Count() == 0) return;
  mbAbortRequested = true;
  // During a command's wait the command itself finishes the abort at its next pass.
  if (mbInCommand) return;
  const auto keepAlive = weak_from_this().lock();
  Apartment::Current().PumpReady();
  mbAbortRequested = false;
  moReplies.RemoveAll();
  moReceiveBuffer.Remove(moReceiveBuffer.Count());
}

std::string ProtocolHandler::Command(const std::string& expression,
                                     const std::shared_ptr<Connection>& connObj,
                                     const std::shared_ptr<Progress>& progress,
                                     std::int32_t timeout, bool silentCommand) {
  const auto keepAlive = weak_from_this().lock();
  auto& messages = ErrorMessages::Current();
  mbSilentCommand = silentCommand;
  if (!connObj) messages.RaiseNumberedError(errors::kNoConnection, kEntrySource);
  if (connObj->IsBusy()) messages.RaiseNumberedError(errors::kConnectionBusy, kEntrySource);
  if (mbInCommand || mbAbortRequested) {
    mbAbortRequested = false;
    messages.RaiseNumberedError(errors::kCommandInProgress, kEntrySource);
  }
  ErrorSnapshot snapshot;
  connObj->SetIsOpen(true);

  Run run{expression, connObj, progress, timeout, nullptr, nullptr};
  Stage stage = Stage::SetUp;
  try {
    SetUp(run);
    stage = Stage::Send;
    Send(run);
    stage = Stage::Wait;
    Wait(run);
    stage = Stage::Finish;
    std::string result = Finish(run);
    if (run.replied) return result;
  } catch (...) {
    snapshot.Capture(std::current_exception());
    Recover(run, stage, snapshot);
  }
  RaiseOutcome(run);
}

void ProtocolHandler::SetUp(Run& run) {
  mbInCommand = true;
  mbReplyOverflow = false;
  auto reply = std::make_shared<CommandReply>();
  reply->MsgID = NextMsgID();
  mlMsgID = reply->MsgID;
  reply->MessageText = run.expression;
  run.reply = moReplies.Add(reply);
  if (!run.callerProgress) return;
  run.progress = run.callerProgress->CreateChild();
  if (!run.progress) RaiseObjectNotSet();
  run.progress->AddStep("Sending...", static_cast<std::int32_t>(run.expression.size()));
  run.progress->AddStep("Waiting for response", 2000);
  run.progress->AddStep("Receiving", 10000);
  run.progress->SetParent(run.callerProgress);
  run.progress->SetUpdateInterval(500);
  run.progress->SetActive(true);
}

void ProtocolHandler::Send(Run& run) {
  if (run.progress) run.progress->SetCurrentStep(1);
  run.connection->SendText(run.expression, run.progress);
}

void ProtocolHandler::Wait(Run& run) {
  Stopwatch stopwatch;
  stopwatch.Restart();
  while (run.outcome == Outcome::None && !run.replied) WaitPass(run, stopwatch);
  run.connection->SetIsOpen(false);
}

void ProtocolHandler::WaitPass(Run& run, Stopwatch& stopwatch) {
  const auto callback = RequireCallback();
  try {
    callback->ProcessEvents();
  } catch (const AutomationError&) {
    // A device may end the session right behind a complete answer ("exit", a reset): frame
    // what has arrived before giving up, instead of waiting for the receive timer's tick.
    moReceiveTimer.SetEnabled(false);
    ProcessReceived(moReceiveBuffer);
    if (!run.reply->Replied) throw;
  }
  if (mbReplyOverflow && !run.reply->Replied) {
    throw AutomationError(errors::kReceiveLimitExceeded, kOutcomeSource,
                          "Device sent more than " + std::to_string(kMaxReplyBytes) +
                              " bytes without completing its answer");
  }
  run.replied = run.reply->Replied;
  if (!run.replied) {
    if (!run.started) run.started = ReplyStarted();
    if (run.timeout <= 0 && stopwatch.ElapsedMs() > mlDefaultTimeout && !run.started) {
      run.outcome = Outcome::NoResponse;
      return;
    }
    if (run.timeout > 0 && stopwatch.ElapsedMs() > run.timeout) {
      run.outcome = Outcome::TimedOut;
      return;
    }
  }
  if (run.progress) {
    UpdateProgress(run);
    if (run.progress->Cancelled()) run.cancel = true;
  }
  if ((run.cancel || mbAbortRequested) && !run.replied) run.outcome = Outcome::Cancelled;
}

void ProtocolHandler::UpdateProgress(Run& run) {
  Progress& progress = *run.progress;
  if (progress.CurrentStep() == 2 && progress.Value() == 0 && run.started) {
    progress.SetCurrentStep(3);
    // Whole milliseconds of a tenth of the update interval, halves to even.
    const std::int32_t tenth = progress.UpdateInterval() * 100;
    const std::int32_t quotient = tenth / 1000;
    const std::int32_t remainder = tenth % 1000;
    const bool up = remainder > 500 || (remainder == 500 && quotient % 2 == 1);
    progress.SetValue(quotient + (up ? 1 : 0));
  }
  const bool startedNow = ReplyStarted();
  if (progress.CurrentStep() != 4 && startedNow) {
    progress.SetCurrentStep(4);
    progress.SetValue(0);
    run.receivingFrom = moReceiveBuffer.FindByteRev(1, 2);
  } else if (progress.CurrentStep() == 4 && run.receivingFrom > 0 &&
             moReceiveBuffer.Count() > run.receivingFrom) {
    progress.SetReceived(moReceiveBuffer.Count() - run.receivingFrom);
  }
}

std::string ProtocolHandler::Finish(Run& run) {
  mbInCommand = false;
  if (run.progress) {
    run.progress->Finish();
    run.progress->SetActive(false);
  }
  if (!run.replied) return {};
  std::string result = LineBreaks::Trim(run.reply->ReplyText);
  // An owner that let go of the handler during the last pass is an error, not a silent skip.
  RequireCallback()->CommandProtocolReceived(run.reply);
  return result;
}

void ProtocolHandler::RaiseOutcome(Run& run) {
  run.progress.reset();
  auto& messages = ErrorMessages::Current();
  switch (run.outcome) {
    case Outcome::NoResponse:
    case Outcome::TimedOut:
      // The bytes belong to the abandoned command and must not complete the next one.
      moReceiveBuffer.Remove(moReceiveBuffer.Count());
      messages.RaiseNumberedError(
          run.outcome == Outcome::NoResponse ? errors::kNoResponse : errors::kReplyTimeout,
          kOutcomeSource);
    default:
      mbAbortRequested = false;
      Abort();
      messages.RaiseNumberedError(errors::kCommandCancelled, kOutcomeSource);
  }
}

// The three error handlers run as a chain from the stage that failed: send, wait, final. Each
// clean-up step runs even when an earlier one fails, so one broken connection can never leave
// the handler marked as in a command; the first error is the one raised.
void ProtocolHandler::Recover(Run& run, Stage failedIn, ErrorSnapshot& snapshot) {
  if (failedIn == Stage::Send) {
    mbAbortRequested = false;
    IgnoreErrors([&] { run.connection->SendText("\r\n", nullptr); });
    mbInCommand = false;
    IgnoreErrors([&] { Abort(); });
  }
  if (failedIn != Stage::Finish) {
    IgnoreErrors([&] { run.connection->SetIsOpen(false); });
    mbAbortRequested = false;
    // What arrived belongs to the failed command and must not complete the next one.
    moReceiveBuffer.Remove(moReceiveBuffer.Count());
  }
  mbInCommand = false;
  if (run.progress) {
    IgnoreErrors([&] {
      run.progress->Finish();
      run.progress->SetActive(false);
    });
  }
  run.progress.reset();
  snapshot.Raise(kChainSuffix);
}

void ProtocolHandler::ReceiveBytes(const ByteArray& data) {
  moReceiveBuffer.Add(data);
  if (moReceiveBuffer.Count() > 0) moReceiveTimer.SetEnabled(true);
  mbDataReceived = true;
  if (moReceiveBuffer.Count() > kMaxReplyBytes) {
    // What has arrived may hold a complete answer with the flood behind it: frame it before
    // the bytes go, so that only an answer that never completed ends in the bound's error.
    moReceiveTimer.SetEnabled(false);
    ProcessReceived(moReceiveBuffer);
    if (moReceiveBuffer.Count() == 0) return;
    mbReplyOverflow = mbInCommand;
    moReceiveBuffer.Remove(moReceiveBuffer.Count());
  }
}

void ProtocolHandler::ReceiveTimerTick() {
  moReceiveTimer.SetEnabled(false);
  ProcessReceived(moReceiveBuffer);
}

void ProtocolHandler::WatchDogTimerTick() {
  mbWatchDogActive = true;
  try {
    RequireCallback()->ProcessEvents();
    ProcessReceived(moReceiveBuffer);
  } catch (...) {
    mbWatchDogActive = false;
    throw;
  }
  mbWatchDogActive = false;
}

std::shared_ptr<IProtocolHndCallback> ProtocolHandler::RequireCallback() const {
  auto callback = Callback();
  if (!callback) RaiseObjectNotSet();
  return callback;
}

void ProtocolHandler::RaiseObjectNotSet() {
  ErrorMessages::Current().RaiseNumberedError(errors::kObjectNotSet, "ProtocolHandler:Command");
}

std::shared_ptr<CommandReply> ProtocolHandler::CurrentReply() {
  try {
    return moReplies.Item(mlMsgID);
  } catch (const AutomationError&) {
    return nullptr;
  }
}

std::int32_t ProtocolHandler::CheckReplyState(FifoBuf& buffer) {
  const auto reply = CurrentReply();
  if (!reply) return 0;
  const bool echoed = reply->MessageText != kBareCarriageReturn && !mbSilentCommand;
  std::int64_t from = 0;
  if (echoed) {
    const std::string echo = EchoText(reply->MessageText);
    const std::int32_t pos = buffer.FindStr(1, echo);
    if (pos == 0) return 0;
    // Searching from behind the echo keeps a command line that contains a prompt text from
    // being taken as answered by its own echo.
    from = std::int64_t{pos} + static_cast<std::int64_t>(echo.size());
  } else {
    from = buffer.FindStr(1, kBareCarriageReturn);
    if (from == 0 && !mbSilentCommand) return 0;
  }
  return FindEndOfAnswer(buffer, from).first != 0 ? 1 : 4;
}

void ProtocolHandler::ProcessReceived(FifoBuf& buffer) {
  mbReplyStarted = false;
  const std::int32_t state = CheckReplyState(buffer);
  if (state == 0) {
    if (!mbInCommand && moWatchDogTimer.Enabled() && mbWatchDogActive) {
      moWatchDogTimer.SetEnabled(false);
    }
    return;
  }
  if (state == 4) return;

  if (buffer.FindByte(1, kXoff) != 0) mbXonXoffWarning = true;
  const auto reply = CurrentReply();
  std::string echo;
  std::int64_t echoPos = 1;
  if (reply->MessageText != kBareCarriageReturn) {
    echo = EchoText(reply->MessageText);
    echoPos = buffer.FindStr(1, echo);
  }
  const std::int64_t afterEcho = echoPos + static_cast<std::int64_t>(echo.size());
  const auto [endPos, end] = FindEndOfAnswer(buffer, afterEcho);
  if (end != nullptr && end->effect != EndOfAnswer::Unchanged) {
    mbReadOnly = end->effect == EndOfAnswer::ReadOnly;
  }
  if (endPos - afterEcho - 1 > 0) {
    std::int32_t length = static_cast<std::int32_t>(endPos - afterEcho - 1);
    reply->ReplyText = buffer.MidStr(static_cast<std::int32_t>(afterEcho + 1), length);
  }
  buffer.Remove(buffer.Count());
  reply->Replied = true;
}

}  // namespace pelmora
