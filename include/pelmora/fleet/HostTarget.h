#pragma once

#include "pelmora/fleet/InventoryHost.h"
#include "pelmora/session/Target.h"

namespace pelmora {

// The session target of an inventory host: its address (with the inventory's port where the
// address names none) or serial line, its time limit, framing delay and password. Throws
// TargetError for an address the inventory's loading would have refused.
Target HostTarget(const InventoryHost& host);

}  // namespace pelmora
