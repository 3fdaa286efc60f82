#include "TargetFactory.h"

#include <algorithm>

#include "pelmora/transport/SerialConnection.h"
#include "pelmora/transport/TelnetConnection.h"

namespace pelmora::cli {

std::shared_ptr<Connection> TargetFactory::Open(const Target& target,
                                                std::optional<std::int32_t> commandTimeLimitMs) {
  switch (target.kind) {
    case Target::Kind::Host: {
      auto telnet = std::make_shared<TelnetConnection>(target.host, target.port);
      if (commandTimeLimitMs) {
        telnet->SetConnectTimeLimit(
            std::min(telnet->ConnectTimeLimit(), std::chrono::milliseconds(*commandTimeLimitMs)));
      }
      return telnet;
    }
    case Target::Kind::Serial:
      return std::make_shared<SerialConnection>(target.device, target.baud);
    case Target::Kind::Sim:
      break;
  }
  if (!embedded_) embedded_ = std::make_unique<EmbeddedPrintServer>();
  return embedded_->Connection();
}

}  // namespace pelmora::cli
