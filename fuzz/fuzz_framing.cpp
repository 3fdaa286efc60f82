// Arbitrary device bytes, in arbitrary chunks and at arbitrary pace, answer a waiting command of
// a protocol handler over the in-memory connection. The command must end in its answer or in a
// documented error within its time limit, hold no more than the receive limit, and leave the
// handler able to run the next command.
#include <fuzzer/FuzzedDataProvider.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "FuzzSupport.h"
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
const std::string kFollowUp = "SH FOLLOW UP\r";
const std::string kFollowUpAnswer = "follow-up answered";

struct Script {
  std::string command;
  bool silent = false;
  bool dropAtEnd = false;
  bool checkFollowUp = false;
  std::int32_t callerTimeout = 0;
  std::chrono::milliseconds gap{0};
  std::vector<std::string> chunks;
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
      if (inCommand) {
        handler->ReceiveBytes(pipe->ReadBytes());
      } else {
        pipe->ReadBytes();
      }
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

 private:
  void Answer(std::string_view sent) {
    if (commandsSeen_++ == 0) {
      for (const auto& chunk : script_.chunks) pipe->PeerWrite(chunk);
      if (script_.dropAtEnd) pipe->PeerDrop();
      return;
    }
    Require(sent == kFollowUp, "the follow-up command went out changed");
    pipe->PeerWrite("SH FOLLOW UP\r\n" + kFollowUpAnswer + "\r\nLocal> ");
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
  const auto started = Clock::now();
  try {
    const std::string reply = owner.Run(script.command, script.callerTimeout, script.silent);
    Require(Joined(script.chunks).find(reply) != std::string::npos,
            "the answer holds bytes the device never sent");
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const Script script = ReadScript(input);
  Owner owner(script);
  RunFirstCommand(owner, script);
  if (!script.checkFollowUp) return 0;
  // A new session, as after a reconnect: whatever the first command left behind must not
  // change the next command's answer.
  owner.pipe->Teardown();
  // Its answer is complete at once, so a generous limit costs nothing; the first command's short
  // one could run out on a loaded machine before the receive timer's first tick.
  owner.handler->SetDefaultTimeout(5000);
  std::string reply;
  try {
    reply = owner.Run(kFollowUp, 0, false);
  } catch (const AutomationError& error) {
    fuzz::RequireNumber(error, {}, "follow-up command");
  }
  Require(reply == kFollowUpAnswer, "the follow-up command got another answer");
  return 0;
}
