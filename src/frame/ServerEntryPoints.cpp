#include "pelmora/frame/ServerEntryPoints.h"

#include "pelmora/frame/LiveObjects.h"

namespace pelmora {

std::int32_t ServerEntryPoints::DllGetClassObject(std::string_view classId,
                                                  std::shared_ptr<ClassObject>& classObject) {
  classObject.reset();
  const auto* entry = TypeLibrary::FindByClassId(classId);
  if (!entry) return kClassNotAvailable;
  classObject = LiveObjects::MakeTracked<ClassObject>(*entry);
  return kOk;
}

bool ServerEntryPoints::DllCanUnloadNow() noexcept {
  return LiveObjects::NoneInUse();
}

}  // namespace pelmora
