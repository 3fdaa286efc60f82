#pragma once

#include <memory>

#include "pelmora/components/Connection.h"
#include "pelmora/device/PelmoraT2.h"

namespace pelmora {

// The library's global object: the factory of device objects and their teardown.
class Global {
 public:
  // A new device object attached to the connection. Nothing is sent and the connection is not
  // opened; an empty connection gives an object with neither connection nor protocol handler.
  static std::shared_ptr<PelmoraT2> CreatePelmoraT2Obj(
      const std::shared_ptr<Connection>& connectionToUse);

  // Ends the connection's session and detaches it from the device. Nothing is sent; the device
  // object stays alive as long as the client holds it. An empty or detached device is ignored.
  static void TeardownPrinterObj(const std::shared_ptr<PelmoraT2>& device);
};

}  // namespace pelmora
