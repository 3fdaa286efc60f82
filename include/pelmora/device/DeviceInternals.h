#pragma once

#include <memory>

#include "pelmora/components/Connection.h"
#include "pelmora/device/PelmoraT2.h"
#include "pelmora/protocol/ProtocolHandler.h"

namespace pelmora {

// What only the library's own parts may do with a device object: the factory attaches its
// connection, and the library's tool and tests reach its protocol handler (time limits, the
// read-only state of the last prompt). Not part of the client interface.
class DeviceInternals {
 public:
  // Attaches a connection (or detaches it, given none); the first one creates the handler.
  static void AttachConnection(PelmoraT2& device, const std::shared_ptr<Connection>& connection) {
    device.SetConnection(connection);
  }

  // The device's protocol handler; none before a connection was first attached.
  static std::shared_ptr<ProtocolHandler> Handler(const PelmoraT2& device) {
    return device.ProtocolHandler();
  }
};

}  // namespace pelmora
