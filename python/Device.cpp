#include "Device.h"

#include <stdexcept>
#include <utility>

#include "pelmora/platform/Apartment.h"

namespace pelmora::python {

Device::Device(Target target) {
  Session::Options options;
  // A script may send "exit" and carry on: the next command opens a new session.
  options.allowReopen = true;
  session_ = std::make_unique<Session>(std::move(target), std::move(options));
  // Connecting now reports an unreachable device at connect(), not at the first command; the
  // time limit bounds the connect too.
  Run([this](PelmoraT2&) { session_->Open(); });
  Run([this](PelmoraT2&) { session_->Login(); });
}

// The last reference may go on any thread. The session belongs to its thread's event loop:
// torn down there (work posted to a living thread runs at its next wait, or is dropped with its
// loop on that thread when it ends), or here when that thread has already ended and nobody runs
// its loop any more.
Device::~Device() {
  if (!session_) return;
  const auto owner = session_->Owner();
  if (owner.get() == &Apartment::Current() || owner->ThreadEnded()) {
    session_.reset();
    return;
  }
  owner->Post([session = std::shared_ptr<Session>(std::move(session_))] {});
}

void Device::Close() {
  RequireOwnerThread();
  session_->Close();
}

void Device::Login(const std::string& password) {
  Run([&](PelmoraT2&) { session_->Login(password); });
}

// The apartment, not the thread id, which a new thread may reuse after the owner ended.
void Device::RequireOwnerThread() const {
  if (session_->Owner().get() != &Apartment::Current()) {
    throw std::runtime_error(
        "a Device is used on the thread that connected it; connect on each thread");
  }
}

}  // namespace pelmora::python
