#include "HostProbe.h"

#include <algorithm>
#include <asio/steady_timer.hpp>
#include <limits>

#include "Target.h"
#include "pelmora/catalog/CatalogError.h"
#include "pelmora/device/DeviceInternals.h"
#include "pelmora/frame/Global.h"
#include "pelmora/metrics/DeviceReading.h"
#include "pelmora/platform/ErrorNumbers.h"
#include "pelmora/transport/SerialConnection.h"
#include "pelmora/transport/TelnetConnection.h"

namespace pelmora::cli {

namespace {

constexpr const char* kSource = "pelmora exporter";

std::shared_ptr<Connection> ConnectionTo(const InventoryHost& host,
                                         std::chrono::milliseconds limit) {
  if (!host.address) return std::make_shared<SerialConnection>(*host.serial, host.baud);
  const Target target = Target::Host(*host.address, host.port);
  auto telnet = std::make_shared<TelnetConnection>(target.host, target.port);
  telnet->SetConnectTimeLimit(std::min(telnet->ConnectTimeLimit(), limit));
  return telnet;
}

// Tears the session down however the probe ends.
struct Teardown {
  std::shared_ptr<PelmoraT2> device;
  ~Teardown() {
    try {
      Global::TeardownPrinterObj(device);
    } catch (...) {  // NOLINT(bugprone-empty-catch): the probe's outcome is already decided
    }
  }
};

}  // namespace

std::shared_ptr<PelmoraT2> OpenProbeDevice(const InventoryHost& host,
                                           std::chrono::milliseconds limit) {
  auto device = Global::CreatePelmoraT2Obj(ConnectionTo(host, limit));
  Teardown onFailure{device};
  const auto handler = DeviceInternals::Handler(*device);
  const auto ceiling = std::clamp<std::int64_t>(limit.count(), 1, handler->DefaultTimeout());
  handler->SetDefaultTimeout(
      static_cast<std::int32_t>(std::min<std::int64_t>(host.timeoutMs.value_or(ceiling), ceiling)));
  if (host.framingDelayMs) device->SetFramingDelay(*host.framingDelayMs);
  if (host.password) device->Login(*host.password);
  onFailure.device.reset();
  return device;
}

DeviceState HostProbe::Run(const InventoryHost& host, const Profile* profile,
                           Clock::time_point deadline) {
  const auto start = Clock::now();
  DeviceState state;
  try {
    state = Read(host, profile, deadline);
  } catch (const AutomationError& error) {
    // Past the deadline, whatever gave up (the abort, a time limit cut to fit, the connect
    // limit) gave up because the scrape's time-out came.
    state.failure = Clock::now() >= deadline ? ProbeFailure{errors::kReplyTimeout, kSource}
                                             : ProbeFailure{error.Number(), error.Source()};
  } catch (const std::exception&) {
    state.failure = ProbeFailure{errors::kInternalError, kSource};
  }
  state.durationSeconds = std::chrono::duration<double>(Clock::now() - start).count();
  figures_.ProbeEnded(state.durationSeconds,
                      state.failure ? std::optional(state.failure->number) : std::nullopt);
  return state;
}

DeviceState HostProbe::Read(const InventoryHost& host, const Profile* profile,
                            Clock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
  if (left.count() <= 0) throw AutomationError(errors::kReplyTimeout, kSource, "no time left");
  figures_.SessionOpened();
  struct Closed {
    ExporterFigures& figures;
    ~Closed() { figures.SessionClosed(); }
  } closed{figures_};
  const Teardown session{OpenProbeDevice(host, left)};
  const auto registration = cancels_.Add(session.device);
  // The deadline aborts the command that waits then, as an interrupt would. The handler may
  // run after this call has returned, at a later pump of the thread: it holds nothing of it.
  asio::steady_timer timer(Apartment::Current().Context(), deadline);
  timer.async_wait([device = std::weak_ptr(session.device)](const std::error_code& error) {
    if (const auto held = device.lock(); held && !error) held->AbortCommand();
  });
  return DeviceReading::Read(*session.device, profile);
}

}  // namespace pelmora::cli
