// FifoBuf on the sizes the library meets: a few KiB of screen text, and the 1 MiB a waiting
// command may hold at most. Searches look for a text that sits only at the very end (or, for
// the backward search, at the very start), so every one of them scans the whole content.
#include <string.h>  // memmem

#include <benchmark/benchmark.h>

#include "ShellSamples.h"
#include "pelmora/fifo/FifoBuf.h"

namespace pelmora::bench {
namespace {

constexpr std::string_view kPrompt = "Local> ";
constexpr std::size_t kChunk = 64;

// Screen text of `size` bytes whose only prompt is its last bytes.
std::string ContentEndingInPrompt(std::size_t size) {
  return ShellSamples::ScreenText(size - kPrompt.size()) + std::string(kPrompt);
}

FifoBuf FilledBuffer(const std::string& content) {
  FifoBuf buffer;
  buffer.Add(content);
  return buffer;
}

void SetBytes(benchmark::State& state, std::size_t perIteration) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * perIteration));
}

// The content arrives in one piece, then is consumed.
void BM_FifoAddWhole(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  const ByteArray content = TextBytes::ToBytes(ShellSamples::ScreenText(size));
  FifoBuf buffer;
  for (auto _ : state) {
    buffer.Add(content);
    buffer.Remove(buffer.Count());
  }
  SetBytes(state, size);
}

// The content arrives as a network delivers it, 64 bytes at a time, then is consumed.
void BM_FifoAddChunks(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  const ByteArray chunk = TextBytes::ToBytes(ShellSamples::ScreenText(kChunk));
  FifoBuf buffer;
  for (auto _ : state) {
    for (std::size_t added = 0; added < size; added += kChunk) buffer.Add(chunk);
    buffer.Remove(buffer.Count());
  }
  SetBytes(state, size);
}

void BM_FifoFindStr(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  const FifoBuf buffer = FilledBuffer(ContentEndingInPrompt(size));
  const auto expected = static_cast<std::int32_t>(size - kPrompt.size() + 1);
  for (auto _ : state) {
    const std::int32_t found = buffer.FindStr(1, kPrompt);
    if (found != expected) state.SkipWithError("FindStr missed the prompt");
    benchmark::DoNotOptimize(found);
  }
  SetBytes(state, size);
}

// The floor for FindStr: the C library's substring search over the same bytes.
void BM_Memmem(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  const std::string content = ContentEndingInPrompt(size);
  const char* expected = content.data() + size - kPrompt.size();
  for (auto _ : state) {
    benchmark::DoNotOptimize(content.data());
    const void* found = memmem(content.data(), content.size(), kPrompt.data(), kPrompt.size());
    if (found != expected) state.SkipWithError("memmem missed the prompt");
    benchmark::DoNotOptimize(found);
  }
  SetBytes(state, size);
}

void BM_FifoFindStrRev(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  const std::string content =
      std::string(kPrompt) + ShellSamples::ScreenText(size - kPrompt.size());
  const FifoBuf buffer = FilledBuffer(content);
  const auto expected = static_cast<std::int32_t>(kPrompt.size());
  for (auto _ : state) {
    const std::int32_t found = buffer.FindStrRev(buffer.Count(), kPrompt);
    if (found != expected) state.SkipWithError("FindStrRev missed the prompt");
    benchmark::DoNotOptimize(found);
  }
  SetBytes(state, size);
}

void BM_FifoFindByte(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  // XOFF (19) is what the framing looks for byte-wise; screen text never holds it.
  const FifoBuf buffer = FilledBuffer(ShellSamples::ScreenText(size - 1) + '\x13');
  for (auto _ : state) {
    const std::int32_t found = buffer.FindByte(1, 19);
    if (found != static_cast<std::int32_t>(size)) state.SkipWithError("FindByte missed");
    benchmark::DoNotOptimize(found);
  }
  SetBytes(state, size);
}

void BM_FifoMidStr(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  const FifoBuf buffer = FilledBuffer(ShellSamples::ScreenText(size));
  for (auto _ : state) {
    std::int32_t length = 0;  // 0: everything from Start on
    std::string copy = buffer.MidStr(1, length);
    benchmark::DoNotOptimize(copy.data());
  }
  SetBytes(state, size);
}

// The whole content goes from one buffer to the other and back.
void BM_FifoMove(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  FifoBuf first = FilledBuffer(ShellSamples::ScreenText(size));
  FifoBuf second;
  for (auto _ : state) {
    std::int32_t length = 0;
    second.Move(first, length);
    length = 0;
    first.Move(second, length);
    if (first.Count() != static_cast<std::int32_t>(size)) state.SkipWithError("Move lost bytes");
  }
  SetBytes(state, 2 * size);
}

constexpr std::int64_t k4KiB = 4 * 1024;
constexpr std::int64_t k1MiB = 1024 * 1024;

BENCHMARK(BM_FifoAddWhole)->Arg(k4KiB)->Arg(k1MiB);
BENCHMARK(BM_FifoAddChunks)->Arg(k4KiB)->Arg(k1MiB);
BENCHMARK(BM_FifoFindStr)->Arg(k4KiB)->Arg(k1MiB);
BENCHMARK(BM_Memmem)->Arg(k4KiB)->Arg(k1MiB);
BENCHMARK(BM_FifoFindStrRev)->Arg(k4KiB)->Arg(k1MiB);
BENCHMARK(BM_FifoFindByte)->Arg(k4KiB)->Arg(k1MiB);
BENCHMARK(BM_FifoMidStr)->Arg(k4KiB)->Arg(k1MiB);
BENCHMARK(BM_FifoMove)->Arg(k4KiB)->Arg(k1MiB);

}  // namespace
}  // namespace pelmora::bench
