#pragma once

#include <memory>

#include "pelmora/components/Connection.h"

namespace pelmora {

// The connection library's global operations.
class ConnectionLibrary {
 public:
  // Ends the connection's physical session; the object itself stays usable.
  static void TeardownConnection(const std::shared_ptr<Connection>& connection);
};

}  // namespace pelmora
