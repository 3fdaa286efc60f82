#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "pelmora/frame/ClassObject.h"

namespace pelmora {

// The four entry points of the library as an in-process server. Status codes follow the
// platform's: 0 for success, the platform's "class not available" code for an unknown class.
// The library keeps no registration anywhere, so registering and unregistering only succeed.
class ServerEntryPoints {
 public:
  static constexpr std::int32_t kOk = 0;
  static constexpr std::int32_t kClassNotAvailable = static_cast<std::int32_t>(0x80040111U);

  // The class object of the class with this identifier; on failure classObject is left empty.
  static std::int32_t DllGetClassObject(std::string_view classId,
                                        std::shared_ptr<ClassObject>& classObject);

  // True only when no object, class object or server lock handed out by the library is alive.
  static bool DllCanUnloadNow() noexcept;

  static std::int32_t DllRegisterServer() noexcept { return kOk; }
  static std::int32_t DllUnregisterServer() noexcept { return kOk; }
};

}  // namespace pelmora
