#include "pelmora/frame/Global.h"

#include "pelmora/components/ConnectionLibrary.h"
#include "pelmora/device/DeviceInternals.h"
#include "pelmora/frame/LiveObjects.h"

namespace pelmora {

std::shared_ptr<PelmoraT2> Global::CreatePelmoraT2Obj(
    const std::shared_ptr<Connection>& connectionToUse) {
  // Counted, so that the library is not unloaded under a device a client still holds.
  auto device = LiveObjects::MakeTracked<PelmoraT2>();
  DeviceInternals::AttachConnection(*device, connectionToUse);
  return device;
}

void Global::TeardownPrinterObj(const std::shared_ptr<PelmoraT2>& device) {
  if (!device || !device->Connection()) return;
  ConnectionLibrary::TeardownConnection(device->Connection());
  DeviceInternals::AttachConnection(*device, nullptr);
}

}  // namespace pelmora
