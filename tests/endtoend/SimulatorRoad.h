#pragma once

#include <memory>
#include <optional>
#include <string>

#include "pelmora/device/DeviceInternals.h"
#include "pelmora/frame/Global.h"
#include "pelmora/simulator/EmbeddedPrintServer.h"
#include "pelmora/simulator/TelnetShellServer.h"
#include "pelmora/transport/TelnetConnection.h"

namespace pelmora::testing {

enum class RoadKind { Embedded, Telnet };

class SimulatorRoad {
 public:
  explicit SimulatorRoad(RoadKind kind, std::optional<std::string> shellPassword = {}) {
    auto state = std::make_shared<PrintServerState>();
    state->SetShellPassword(std::move(shellPassword));
    std::shared_ptr<Connection> connection;
    if (kind == RoadKind::Embedded) {
      embedded_ = std::make_unique<EmbeddedPrintServer>(state);
      connection = embedded_->Connection();
    } else {
      TelnetShellServer::Options options;
      options.password = state->ShellPassword();
      telnet_ = std::make_unique<TelnetShellServer>(options);
      telnet_->Start();
      connection = std::make_shared<TelnetConnection>("127.0.0.1", telnet_->Port());
    }
    device = Global::CreatePelmoraT2Obj(connection);
    DeviceInternals::Handler(*device)->SetDefaultTimeout(2000);
  }
  ~SimulatorRoad() { Global::TeardownPrinterObj(device); }

  // How the embedded server hands out its answers (the other roads deliver as they come).
  void SetDelivery(const DeliveryPlan& plan) {
    if (embedded_) embedded_->SetDelivery(plan);
  }

  std::shared_ptr<PelmoraT2> device;

 private:
  std::unique_ptr<EmbeddedPrintServer> embedded_;
  std::unique_ptr<TelnetShellServer> telnet_;
};

}  // namespace pelmora::testing
