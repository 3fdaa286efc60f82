#include "TargetFactory.h"

#include "pelmora/transport/SerialConnection.h"
#include "pelmora/transport/TelnetConnection.h"

namespace pelmora::cli {

std::shared_ptr<Connection> TargetFactory::Open(const Target& target) {
  switch (target.kind) {
    case Target::Kind::Host:
      return std::make_shared<TelnetConnection>(target.host, target.port);
    case Target::Kind::Serial:
      return std::make_shared<SerialConnection>(target.device, target.baud);
    case Target::Kind::Sim:
      break;
  }
  if (!embedded_) embedded_ = std::make_unique<EmbeddedPrintServer>();
  return embedded_->Connection();
}

}  // namespace pelmora::cli
