// Arbitrary device bytes, in arbitrary chunks and at arbitrary pace, answer a waiting command of
// a protocol handler over the in-memory connection. The command must end in a documented error
// within its time limit or in the answer that the framing rules cut out of the bytes received by
// then, and hold no more than the receive limit. A second command on the same session, with
// what the first one left in the buffer in front of its own fuzzed bytes, must then get exactly
// the answer those rules give.
#include <fuzzer/FuzzedDataProvider.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "pelmora/platform/Apartment.h"
#include "pelmora/platform/ErrorNumbers.h"
#include "pelmora/protocol/ProtocolHandler.h"
#include "pelmora/transport/PipeConnection.h"

namespace {

using namespace pelmora;
using fuzz::Require;
using Clock = std::chrono::steady_clock;

constexpr std::int32_t kNoResponseLimitMs = 30;
// Generous: the sanitizers slow every pass, and the machine is shared.
constexpr auto kLateMargin = std::chrono::milliseconds(1500);

// The framing rules, written again from their description and independent of the handler: the
// answer that a buffer holds for a command, once an end-of-answer text stands behind the echo.
class Framing {
 public:
  Framing(const std::string& command, bool silent)
      : bare_(command == "\r"), silent_(silent), echo_(WithoutCarriageReturns(command)) {}

  std::optional<std::string> Answer(std::string_view buffer) const {
    // Recognised: searched from the echo's first position (a carriage return for the bare
    // command or a silent one).
    const std::size_t from = bare_ || silent_ ? Find(buffer, 1, "\r") : Find(buffer, 1, echo_);
    if (EndOfAnswer(buffer, from) == 0) return std::nullopt;
    // Cut: from the second character behind the echo up to the end-of-answer text.
    const std::size_t echoAt = bare_ ? 1 : Find(buffer, 1, echo_);
    const std::size_t afterEcho = echoAt + (bare_ ? 0 : echo_.size());
    const std::size_t end = EndOfAnswer(buffer, afterEcho);
    if (end <= afterEcho + 1) return std::string();
    return TrimLineBreaks(buffer.substr(afterEcho, end - afterEcho - 1));
  }

 private:
  // 1-based position of text at or behind start, 0 when absent; an empty text or a start
  // outside the buffer finds nothing.
  static std::size_t Find(std::string_view buffer, std::size_t start, std::string_view text) {
    if (start == 0 || text.empty() || start > buffer.size()) return 0;
    const std::size_t at = buffer.find(text, start - 1);
    return at == std::string_view::npos ? 0 : at + 1;
  }
  // The first of the end texts, in their order, found from start on.
  static std::size_t EndOfAnswer(std::string_view buffer, std::size_t start) {
    for (const char* end : {"Local> ", "Local: ", "Password> ", "Exit Configuration task"}) {
      if (const std::size_t at = Find(buffer, start, end)) return at;
    }
    return 0;
  }
  static std::string WithoutCarriageReturns(std::string text) {
    std::erase(text, '\r');
    return text;
  }
  static std::string TrimLineBreaks(std::string_view text) {
    const auto isBreak = [](char c) { return c == '\r' || c == '\n'; };
    while (!text.empty() && isBreak(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBreak(text.back())) text.remove_suffix(1);
    return std::string(text);
  }

  bool bare_;
  bool silent_;
  std::string echo_;
};

// Every answer a command may return when its bytes arrive as these chunks behind what the buffer
// held already: framing runs on the buffer between chunks, at a timer tick, and empties it; a
// later framing of newer bytes replaces an answer only with a text that is not empty.
std::set<std::string> PossibleAnswers(const Framing& framing, const std::string& held,
                                      const std::vector<std::string>& chunks, bool heldMayGo) {
  std::string all = held;
  std::vector<std::size_t> ends{held.size()};
  for (const auto& chunk : chunks) ends.push_back((all += chunk).size());
  std::set<std::size_t> starts{0};
  if (heldMayGo) starts.insert(held.size());
  std::set<std::string> answers;
  for (const std::size_t end : ends) {
    std::set<std::size_t> emptiedAt;
    for (const std::size_t start : starts) {
      if (start > end) continue;
      if (const auto answer = framing.Answer(std::string_view(all).substr(start, end - start))) {
        answers.insert(*answer);
        emptiedAt.insert(end);
      }
    }
    starts.insert(emptiedAt.begin(), emptiedAt.end());
  }
  return answers;
}

struct Script {
  std::string command;
  bool silent = false;
  bool dropAtEnd = false;
  bool checkFollowUp = false;
  std::int32_t callerTimeout = 0;
  std::chrono::milliseconds gap{0};
  std::vector<std::string> chunks;
  // The second command on the same session, and the device's bytes for it.
  std::string followUp;
  std::vector<std::string> followUpChunks;
};

Script ReadScript(FuzzedDataProvider& input) {
  Script script;
  const auto flags = input.ConsumeIntegral<std::uint8_t>();
  script.silent = (flags & 1) != 0;
  script.dropAtEnd = (flags & 2) != 0;
  script.checkFollowUp = (flags & 4) != 0;
  if ((flags & 8) != 0) script.callerTimeout = input.ConsumeIntegralInRange(1, 40);
  if ((flags & 16) != 0) script.gap = std::chrono::milliseconds(input.ConsumeIntegralInRange(0, 3));
  script.command = (flags & 32) != 0 ? "\r" : input.ConsumeRandomLengthString(48) + "\r";
  if (script.checkFollowUp) {
    // A line the device echoes, so that its answer always completes with the closing chunk.
    std::string line = input.ConsumeRandomLengthString(24);
    std::erase(line, '\r');
    script.followUp = (line.empty() ? "SH" : line) + "\r";
    for (int n = input.ConsumeIntegralInRange(0, 4); n > 0; --n) {
      script.followUpChunks.push_back(input.ConsumeRandomLengthString(64));
    }
    script.followUpChunks.push_back(line.empty() ? "SH\r\nLocal> " : line + "\r\nLocal> ");
  }
  while (input.remaining_bytes() > 0) {
    std::string chunk = input.ConsumeRandomLengthString(256);
    // Now and then a chunk stands for a long stream: repeated up to past the receive limit.
    if (!chunk.empty() && input.ConsumeIntegralInRange(0, 15) == 0) {
      const auto times = input.ConsumeIntegralInRange<std::size_t>(1, 40000);
      std::string stream;
      stream.reserve(chunk.size() * times);
      for (std::size_t i = 0; i < times; ++i) stream += chunk;
      chunk = std::move(stream);
    }
    script.chunks.push_back(std::move(chunk));
  }
  return script;
}

// The device object's part: bytes reach the handler while a command runs; bytes between commands
// are none of the handler's business (the device keeps them as trapped text).
class Owner : public IProtocolHndCallback {
 public:
  explicit Owner(const Script& script) : script_(script) {
    handler->SetCallback(this);
    handler->SetDefaultTimeout(kNoResponseLimitMs);
    pipe->SetDelivery(std::chrono::milliseconds(0), 0, script.gap);
    receive_ = pipe->OnReceive.Subscribe([this] {
      const ByteArray bytes = pipe->ReadBytes();
      delivered += bytes.size();
      if (inCommand) handler->ReceiveBytes(bytes);
    });
    pipe->SetPeer([this](std::string_view sent) { Answer(sent); });
  }
  ~Owner() override { handler->SetCallback(nullptr); }

  void ProcessEvents() override { pipe->Poll(); }

  std::string Run(const std::string& line, std::int32_t timeout, bool silent) {
    inCommand = true;
    try {
      std::string reply = handler->Command(line, pipe, nullptr, timeout, silent);
      inCommand = false;
      return reply;
    } catch (...) {
      inCommand = false;
      throw;
    }
  }

  std::shared_ptr<PipeConnection> pipe = std::make_shared<PipeConnection>();
  std::shared_ptr<ProtocolHandler> handler = std::make_shared<ProtocolHandler>();
  bool inCommand = false;
  std::size_t delivered = 0;

 private:
  void Answer(std::string_view sent) {
    if (commandsSeen_++ == 0) {
      for (const auto& chunk : script_.chunks) pipe->PeerWrite(chunk);
      if (script_.dropAtEnd) pipe->PeerDrop();
      return;
    }
    Require(sent == script_.followUp, "the follow-up command went out changed");
    for (const auto& chunk : script_.followUpChunks) pipe->PeerWrite(chunk);
  }

  const Script& script_;
  int commandsSeen_ = 0;
  Event<>::Subscription receive_;
};

std::string Joined(const std::vector<std::string>& chunks) {
  std::string all;
  for (const auto& chunk : chunks) all += chunk;
  return all;
}

void RunFirstCommand(Owner& owner, const Script& script) {
  const auto limit = std::chrono::milliseconds(script.callerTimeout > 0 ? script.callerTimeout
                                                                        : kNoResponseLimitMs);
  const std::string all = Joined(script.chunks);
  const auto started = Clock::now();
  try {
    const std::string reply = owner.Run(script.command, script.callerTimeout, script.silent);
    if (all.size() > ProtocolHandler::kMaxReplyBytes) {
      // A flood empties the buffer; which of its bytes the framing saw is the handler's own.
      Require(all.find(reply) != std::string::npos, "the answer holds bytes never sent");
    } else {
      const Framing framing(script.command, script.silent);
      Require(PossibleAnswers(framing, "", script.chunks, false).contains(reply),
              "the answer is not what the framing rules cut out of the bytes");
    }
  } catch (const AutomationError& error) {
    fuzz::RequireNumber(error,
                        {errors::kNoResponse, errors::kReplyTimeout,
                         errors::kConnectionClosedByDevice, errors::kReceiveLimitExceeded},
                        "first command");
  }
  Require(Clock::now() - started <= limit + kLateMargin, "the command outlived its time limit");
  Require(owner.handler->ReceiveBuffer().Count() <= ProtocolHandler::kMaxReplyBytes,
          "the receive buffer grew past its limit");
}

// Lets the first command's late bytes arrive (they are no command's), then returns what the
// handler's buffer still holds. A receive timer tick may still be due on it.
std::string SettledBuffer(Owner& owner, std::size_t sent) {
  const auto deadline = Clock::now() + kLateMargin;
  while (owner.delivered < sent && Clock::now() < deadline) Apartment::Current().Pump();
  Require(owner.delivered == sent, "the first command's bytes never all arrived");
  const ByteArray held = owner.handler->ReceiveBuffer().Buffer();
  return std::string(held.begin(), held.end());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const Script script = ReadScript(input);
  Owner owner(script);
  RunFirstCommand(owner, script);
  // After a flood the connection itself may have dropped unread bytes (its own bound), so what
  // the buffer holds is not known exactly.
  const std::size_t sent = Joined(script.chunks).size();
  if (!script.checkFollowUp || script.dropAtEnd || sent > ProtocolHandler::kMaxReplyBytes) return 0;
  const std::string held = SettledBuffer(owner, sent);
  // Its answer completes with its last chunk, so a generous limit costs nothing; the first
  // command's short one could run out on a loaded machine before the receive timer's first tick.
  owner.handler->SetDefaultTimeout(5000);
  std::string reply;
  try {
    reply = owner.Run(script.followUp, 0, false);
  } catch (const AutomationError& error) {
    fuzz::RequireNumber(error, {}, "follow-up command");
  }
  // A tick still due from the first command may have emptied the buffer just before.
  const Framing framing(script.followUp, false);
  Require(PossibleAnswers(framing, held, script.followUpChunks, true).contains(reply),
          "the follow-up command got another answer than the framing rules give");
  return 0;
}
