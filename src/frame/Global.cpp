#include "pelmora/frame/Global.h"

#include "pelmora/components/ConnectionLibrary.h"

namespace pelmora {

std::shared_ptr<PelmoraT2> Global::CreatePelmoraT2Obj(
    const std::shared_ptr<Connection>& connectionToUse) {
  auto device = std::make_shared<PelmoraT2>();
  device->SetConnection(connectionToUse);
  return device;
}

void Global::TeardownPrinterObj(const std::shared_ptr<PelmoraT2>& device) {
  if (!device || !device->Connection()) return;
  ConnectionLibrary::TeardownConnection(device->Connection());
  device->SetConnection(nullptr);
}

}  // namespace pelmora
