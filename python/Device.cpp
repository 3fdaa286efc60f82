#include "Device.h"

#include "pelmora/device/DeviceInternals.h"
#include "pelmora/frame/Global.h"
#include "pelmora/transport/SerialConnection.h"
#include "pelmora/transport/TelnetConnection.h"

namespace pelmora::python {

namespace {

std::shared_ptr<Connection> OpenTarget(const ConnectOptions& options,
                                       std::unique_ptr<EmbeddedPrintServer>& embedded) {
  if (options.timeout <= 0) throw pybind11::value_error("timeout must be a positive number of ms");
  if (options.host && options.serial) {
    throw pybind11::value_error("connect() takes a host or a serial line, not both");
  }
  if (options.host) return std::make_shared<TelnetConnection>(*options.host, options.port);
  if (options.serial) return std::make_shared<SerialConnection>(*options.serial, options.baud);
  embedded = std::make_unique<EmbeddedPrintServer>();
  return embedded->Connection();
}

}  // namespace

Device::Device(const ConnectOptions& options)
    : connection_(std::make_shared<cli::ToolConnection>(OpenTarget(options, embedded_), nullptr)),
      device_(Global::CreatePelmoraT2Obj(connection_)),
      owner_(std::this_thread::get_id()) {
  DeviceInternals::Handler(*device_)->SetDefaultTimeout(options.timeout);
  if (options.framingDelay)
    Run([&](PelmoraT2& device) { device.SetFramingDelay(*options.framingDelay); });
  connection_->SetPollHook([this] {
    if (signal_.Check()) device_->AbortCommand();
  });
  // Connecting now reports an unreachable device at connect(), not at the first command.
  Run([this](PelmoraT2&) {
    connection_->SetIsOpen(true);
    connection_->SetIsOpen(false);
  });
  if (options.password) Run([&](PelmoraT2& device) { device.Login(*options.password); });
}

Device::~Device() {
  try {
    Global::TeardownPrinterObj(device_);
  } catch (...) {  // NOLINT(bugprone-empty-catch): a destructor has nobody to tell
  }
}

void Device::Close() {
  RequireOwnerThread();
  Global::TeardownPrinterObj(device_);
}

void Device::RequireOwnerThread() const {
  if (std::this_thread::get_id() != owner_) {
    throw std::runtime_error(
        "a Device is used on the thread that connected it; connect on each thread");
  }
}

}  // namespace pelmora::python
