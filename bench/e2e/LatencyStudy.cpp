#include "LatencyStudy.h"

#include <chrono>
#include <stdexcept>

#include "ProcessMeter.h"
#include "RawProbe.h"
#include "ShellSamples.h"
#include "pelmora/device/ReplyReading.h"
#include "pelmora/frame/Global.h"
#include "pelmora/transport/TelnetConnection.h"

namespace pelmora::bench {

namespace {

using Clock = std::chrono::steady_clock;

// Runs one library call and adds its duration and CPU time to the tallies.
template <typename Call>
void Measure(LatencySamples& samples, LatencyStudy::Result& result, const Call& call) {
  const double cpuBefore = ProcessMeter::CpuSeconds();
  const auto start = Clock::now();
  call();
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  result.cpuSeconds += ProcessMeter::CpuSeconds() - cpuBefore;
  result.wallSeconds += seconds;
  samples.Add(seconds * 1000.0);
}

}  // namespace

LatencyStudy::Result LatencyStudy::Run(int port, int calls) {
  RawProbe raw(port);
  const auto device =
      Global::CreatePelmoraT2Obj(std::make_shared<TelnetConnection>("127.0.0.1", port));
  // The first command opens the session; a wrong answer would make every figure meaningless.
  device->Command("\r");
  const std::string expectedSsid =
      ReplyReading::Keyed(ShellSamples::RoadReply("SH NW SSID\r"), "WiFi SSID:");
  if (device->GetSSID() != expectedSsid) throw std::runtime_error("GetSSID read a wrong value");

  const auto fast =
      Global::CreatePelmoraT2Obj(std::make_shared<TelnetConnection>("127.0.0.1", port));
  fast->SetFramingDelay(0);
  if (fast->GetSSID() != expectedSsid) throw std::runtime_error("GetSSID read a wrong value");

  Result result;
  Result uncounted;
  for (int call = 0; call < calls; ++call) {
    result.rawRoundTrip.Add(raw.RoundTripMs());
    Measure(result.command, result, [&] { device->Command("\r"); });
    Measure(result.getter, result, [&] {
      if (device->GetSSID() != expectedSsid) throw std::runtime_error("GetSSID read a wrong value");
    });
  }
  for (int call = 0; call < calls; ++call) {
    result.fastRawRoundTrip.Add(raw.RoundTripMs());
    Measure(result.fastCommand, uncounted, [&] {
      if (!fast->Command("\r").empty()) throw std::runtime_error("a bare CR got an answer");
    });
  }
  Global::TeardownPrinterObj(fast);
  Global::TeardownPrinterObj(device);
  return result;
}

}  // namespace pelmora::bench
