#include "pelmora/platform/CancelToken.h"

#include "pelmora/platform/Apartment.h"
#include "pelmora/platform/ErrorMessages.h"
#include "pelmora/platform/ErrorNumbers.h"

namespace pelmora {

CancelToken::CancelToken() : apartment_(Apartment::Shared()) {
  apartment_->EnableWake();
}

void CancelToken::Cancel() noexcept {
  requested_.store(true, std::memory_order_release);
  apartment_->Wake();
}

void CancelToken::ThrowIfRequested(const std::string& source) const {
  if (Requested()) ErrorMessages::Current().RaiseNumberedError(errors::kCommandCancelled, source);
}

bool CancelToken::SleepFor(std::chrono::milliseconds pause) const {
  const auto until = Apartment::Clock::now() + pause;
  const Apartment::Deadline deadline(until);
  while (!Requested() && Apartment::Clock::now() < until) Apartment::Current().Pump();
  return !Requested();
}

}  // namespace pelmora
