#include "SearchTiming.h"

#include <string.h>  // memmem

#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <string_view>

#include "LatencySamples.h"
#include "ShellSamples.h"
#include "pelmora/fifo/FifoBuf.h"

namespace pelmora::bench {

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::string_view kPrompt = "Local> ";
constexpr int kPairs = 301;
constexpr std::size_t kBytesPerSample = 64 * 1024;

// Nanoseconds per call over one batch of calls.
template <typename Search>
double TimeBatch(int calls, const Search& search) {
  const auto start = Clock::now();
  for (int call = 0; call < calls; ++call) search();
  return std::chrono::duration<double, std::nano>(Clock::now() - start).count() / calls;
}

}  // namespace

SearchTiming::Outcome SearchTiming::Measure(std::size_t size) {
  const std::string content =
      ShellSamples::ScreenText(size - kPrompt.size()) + std::string(kPrompt);
  FifoBuf buffer;
  buffer.Add(content);
  const auto expected = static_cast<std::int32_t>(size - kPrompt.size() + 1);
  // A volatile sink keeps the compiler from dropping calls whose result is unused.
  volatile std::int64_t sink = 0;
  const auto findStr = [&] {
    if (buffer.FindStr(1, kPrompt) != expected) throw std::logic_error("FindStr missed");
    sink = sink + 1;
  };
  const auto libc = [&] {
    const void* hit = memmem(content.data(), content.size(), kPrompt.data(), kPrompt.size());
    if (hit != content.data() + expected - 1) throw std::logic_error("memmem missed");
    sink = sink + 1;
  };
  const int calls = static_cast<int>(std::max<std::size_t>(1, kBytesPerSample / size));
  LatencySamples findStrNs;
  LatencySamples memmemNs;
  for (int pair = 0; pair < kPairs; ++pair) {
    findStrNs.Add(TimeBatch(calls, findStr));
    memmemNs.Add(TimeBatch(calls, libc));
  }
  return Outcome{size, findStrNs.Median(), memmemNs.Median()};
}

}  // namespace pelmora::bench
