#pragma once

#include <pybind11/pybind11.h>

#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <type_traits>

#include "PendingSignal.h"
#include "ToolConnection.h"
#include "pelmora/device/PelmoraT2.h"
#include "pelmora/simulator/EmbeddedPrintServer.h"

namespace pelmora::python {

// Where pelmora.connect() goes: a host over telnet, a serial line, or (neither given) a
// simulated print server embedded in the Device.
struct ConnectOptions {
  std::optional<std::string> host;
  int port = 23;
  std::optional<std::string> serial;
  int baud = 9600;
  std::optional<std::string> password;
  std::int32_t timeout = 10000;
  std::optional<std::int32_t> framingDelay;
};

// The Python Device: one library device object on one connection, used on the thread that
// created it (each thread has its own event loop, which only that thread runs). Every call into
// the library goes through Run, which releases the GIL while the device waits and turns Ctrl-C
// into an aborted command and a KeyboardInterrupt.
class Device {
 public:
  explicit Device(const ConnectOptions& options);
  ~Device();
  Device(const Device&) = delete;
  Device& operator=(const Device&) = delete;

  // Ends the session; later calls fail with the library's own errors (not connected, object
  // not set). Closing twice is harmless.
  void Close();

  const std::shared_ptr<PelmoraT2>& Raw() const noexcept { return device_; }

  template <class Call>
  auto Run(Call&& call) -> std::invoke_result_t<Call, PelmoraT2&>;

 private:
  void RequireOwnerThread() const;

  // Declared first, destroyed last: the connection may still reach the embedded server.
  std::unique_ptr<EmbeddedPrintServer> embedded_;
  std::shared_ptr<cli::ToolConnection> connection_;
  std::shared_ptr<PelmoraT2> device_;
  std::thread::id owner_;
  PendingSignal signal_;
};

template <class Call>
auto Device::Run(Call&& call) -> std::invoke_result_t<Call, PelmoraT2&> {
  using Result = std::invoke_result_t<Call, PelmoraT2&>;
  RequireOwnerThread();
  std::exception_ptr failure;
  std::optional<std::conditional_t<std::is_void_v<Result>, bool, Result>> result;
  {
    const PendingSignal::WakeWhileWaiting wake;
    pybind11::gil_scoped_release release;
    try {
      if constexpr (std::is_void_v<Result>) {
        call(*device_);
        result = true;
      } else {
        result = call(*device_);
      }
    } catch (...) {
      failure = std::current_exception();
    }
  }
  signal_.RaiseIfAny();
  if (failure) std::rethrow_exception(failure);
  if constexpr (!std::is_void_v<Result>) return std::move(*result);
}

}  // namespace pelmora::python
