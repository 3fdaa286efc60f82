#include "HostProbe.h"

#include <algorithm>
#include <asio/steady_timer.hpp>
#include <cstdint>

#include "pelmora/fleet/HostTarget.h"
#include "pelmora/metrics/DeviceReading.h"
#include "pelmora/platform/Apartment.h"
#include "pelmora/platform/ErrorNumbers.h"
#include "pelmora/session/Session.h"

namespace pelmora::cli {

namespace {

constexpr const char* kSource = "pelmora exporter";
// The library's own default command time limit, the most a probe's commands may take.
constexpr std::int64_t kDefaultTimeoutMs = 10000;

// The host's session, its time limit never past what is left of the scrape.
Target ProbeTarget(const InventoryHost& host, std::chrono::milliseconds left) {
  Target target = HostTarget(host);
  const std::int64_t ceiling = std::clamp<std::int64_t>(left.count(), 1, kDefaultTimeoutMs);
  target.timeoutMs =
      static_cast<std::int32_t>(std::min<std::int64_t>(host.timeoutMs.value_or(ceiling), ceiling));
  return target;
}

}  // namespace

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
  Session session(ProbeTarget(host, left), {});
  const CancelGroup::Member running(cancels_, session.CancelHandle());
  // The deadline cancels whatever the session waits on then, as a stop of the exporter would.
  // The handler may run after this call has returned, at a later pump of the thread, or never
  // (the thread ends first): it holds the token weakly, since a token holds the apartment whose
  // queue would then hold the token.
  asio::steady_timer timer(Apartment::Current().Context(), deadline);
  timer.async_wait([cancel = std::weak_ptr(session.CancelHandle())](const std::error_code& error) {
    if (const auto held = cancel.lock(); held && !error) held->Cancel();
  });
  session.Open();
  session.Login();
  return DeviceReading::Read(session.Device(), profile);
}

}  // namespace pelmora::cli
