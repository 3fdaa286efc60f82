// The receive side of a command on a 1 KiB screen answer, delivered whole and in 64-byte
// chunks. The "Pass" benchmarks measure the work: every ReceiveBytes and the framing pass at the
// receive timer's tick. The "Command" benchmarks run a whole Command over the in-memory
// connection, so their wall time holds the 10 ms the receive timer waits, and their CPU time
// is everything the library spends on one command, the idle pumping included.
#include <benchmark/benchmark.h>

#include "ProtocolHandlerProbe.h"
#include "ShellSamples.h"
#include "pelmora/platform/Apartment.h"
#include "pelmora/protocol/LineBreaks.h"
#include "pelmora/transport/PipeConnection.h"

namespace pelmora::bench {
namespace {

constexpr std::size_t kAnswerSize = 1024;
const std::string kLine = "SH NW\r";

// What framing must make of the answer: everything between the echo and the prompt.
std::size_t FramedSize(const std::string& answer) {
  const std::size_t echo = kLine.size() - 1;
  const std::size_t prompt = std::string_view("Local> ").size();
  return LineBreaks::Trim(std::string_view(answer).substr(echo, answer.size() - echo - prompt))
      .size();
}

std::vector<ByteArray> Chunks(const std::string& answer, std::size_t chunkSize) {
  std::vector<ByteArray> chunks;
  for (std::size_t at = 0; at < answer.size(); at += chunkSize) {
    chunks.push_back(TextBytes::ToBytes(answer.substr(at, chunkSize)));
  }
  return chunks;
}

// Arg: the chunk size (0: the answer in one piece).
void BM_FramingPass(benchmark::State& state) {
  const std::string answer = ShellSamples::ScreenAnswer(kAnswerSize);
  const auto chunkSize = static_cast<std::size_t>(state.range(0));
  const auto chunks = Chunks(answer, chunkSize == 0 ? answer.size() : chunkSize);
  const auto handler = std::make_shared<ProtocolHandler>();
  ProtocolHandlerProbe probe(*handler);
  const std::size_t expectedSize = FramedSize(answer);
  for (auto _ : state) {
    probe.Begin(kLine);
    for (const auto& chunk : chunks) handler->ReceiveBytes(chunk);
    probe.Tick();
    if (!probe.Replied()) state.SkipWithError("the answer was not framed");
    const std::string reply = probe.End();
    if (reply.size() != expectedSize) state.SkipWithError("the framed answer is wrong");
    // The disarmed receive timer leaves a cancelled wait behind; the wait loop would run it.
    Apartment::Current().PumpReady();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * answer.size()));
}

// The device side of the in-memory connection answers the screen command at once.
class PipedHandler : public IProtocolHndCallback {
 public:
  PipedHandler(std::string answer, std::size_t chunkSize) : answer_(std::move(answer)) {
    handler->SetCallback(this);
    pipe->SetDelivery(std::chrono::milliseconds(0), chunkSize, std::chrono::milliseconds(0));
    pipe->SetPeer([this](std::string_view sent) {
      if (sent == kLine) pipe->PeerWrite(answer_);
    });
    receive_ = pipe->OnReceive.Subscribe([this] { handler->ReceiveBytes(pipe->ReadBytes()); });
  }
  ~PipedHandler() override { handler->SetCallback(nullptr); }
  PipedHandler(const PipedHandler&) = delete;
  PipedHandler& operator=(const PipedHandler&) = delete;

  void ProcessEvents() override { pipe->Poll(); }

  std::shared_ptr<PipeConnection> pipe = std::make_shared<PipeConnection>();
  std::shared_ptr<ProtocolHandler> handler = std::make_shared<ProtocolHandler>();

 private:
  std::string answer_;
  Event<>::Subscription receive_;
};

void BM_FramingCommand(benchmark::State& state) {
  const std::string answer = ShellSamples::ScreenAnswer(kAnswerSize);
  const auto self =
      std::make_shared<PipedHandler>(answer, static_cast<std::size_t>(state.range(0)));
  const std::size_t expectedSize = FramedSize(answer);
  for (auto _ : state) {
    const std::string reply = self->handler->Command(kLine, self->pipe);
    if (reply.size() != expectedSize) state.SkipWithError("the framed answer is wrong");
  }
}

BENCHMARK(BM_FramingPass)->ArgName("chunk")->Arg(0)->Arg(64);
// Each iteration sleeps 10 ms on the receive timer: a fixed count keeps the run short.
BENCHMARK(BM_FramingCommand)->ArgName("chunk")->Arg(0)->Arg(64)->Iterations(50);

}  // namespace
}  // namespace pelmora::bench
