#include "pelmora/components/ConnectionLibrary.h"

namespace pelmora {

void ConnectionLibrary::TeardownConnection(const std::shared_ptr<Connection>& connection) {
  if (connection) connection->Teardown();
}

}  // namespace pelmora
