#include "pelmora/fleet/HostTarget.h"

namespace pelmora {

Target HostTarget(const InventoryHost& host) {
  Target target = host.address ? Target::Host(*host.address, host.port)
                               : Target::Serial(host.serial.value_or(""), host.baud);
  target.timeoutMs = host.timeoutMs;
  target.framingDelayMs = host.framingDelayMs;
  if (host.password) target.password = SecretSource::Literal(*host.password);
  return target;
}

}  // namespace pelmora
