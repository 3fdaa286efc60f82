#include "pelmora/frame/ClassObject.h"

#include "pelmora/frame/ClassRegistry.h"
#include "pelmora/frame/LiveObjects.h"

namespace pelmora {

CreatedObject ClassObject::CreateInstance() const {
  return ClassRegistry::Create(entry_);
}

void ClassObject::LockServer(bool lock) noexcept {
  if (lock) {
    LiveObjects::Lock();
  } else {
    LiveObjects::Unlock();
  }
}

}  // namespace pelmora
