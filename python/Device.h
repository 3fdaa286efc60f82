#pragma once

#include <pybind11/pybind11.h>

#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>

#include "SignalBridge.h"
#include "pelmora/device/PelmoraT2.h"
#include "pelmora/session/Session.h"

namespace pelmora::python {

// The Python Device: one library session, used on the thread that connected it (each thread has
// its own event loop, which only that thread runs). Every call into the library goes through
// Run, which releases the GIL while the device waits; Ctrl-C cancels the wait (see
// SignalBridge) and raises KeyboardInterrupt on the main thread, error 113 on others.
class Device {
 public:
  // Connects (and logs in, with a password) before it returns.
  explicit Device(Target target);
  ~Device();
  Device(const Device&) = delete;
  Device& operator=(const Device&) = delete;

  // Ends the session; later calls fail with the library's own errors (not connected, object
  // not set). Closing twice is harmless.
  void Close();
  void Login(const std::string& password);

  std::shared_ptr<PelmoraT2> Raw() const { return session_->DeviceObject(); }
  // The session, for calls that run inside Run.
  Session& Underlying() noexcept { return *session_; }

  template <class Call>
  auto Run(Call&& call) -> std::invoke_result_t<Call, PelmoraT2&>;

 private:
  void RequireOwnerThread() const;

  std::unique_ptr<Session> session_;
};

template <class Call>
auto Device::Run(Call&& call) -> std::invoke_result_t<Call, PelmoraT2&> {
  using Result = std::invoke_result_t<Call, PelmoraT2&>;
  RequireOwnerThread();
  std::exception_ptr failure;
  std::optional<std::conditional_t<std::is_void_v<Result>, bool, Result>> result;
  SignalBridge::Waiting waiting(session_->CancelHandle());
  {
    pybind11::gil_scoped_release release;
    try {
      if constexpr (std::is_void_v<Result>) {
        call(session_->Device());
        result = true;
      } else {
        result = call(session_->Device());
      }
    } catch (...) {
      failure = std::current_exception();
    }
  }
  waiting.RaisePendingSignal();
  if (failure) std::rethrow_exception(failure);
  if constexpr (!std::is_void_v<Result>) return std::move(*result);
}

}  // namespace pelmora::python
