#pragma once

#include <cstdint>
#include <memory>
#include <utility>

namespace pelmora {

// Counts the library's objects that clients hold (handed out by the class registry, by class
// objects and by Global::CreatePelmoraT2Obj) and the locks clients hold on the server, so that
// the can-unload entry point can tell when nothing of the library is in use. Process-wide and
// thread-safe: device objects may live on different threads, each in its own apartment.
class LiveObjects {
 public:
  // A new object whose destruction, when its last reference goes, is counted.
  template <class T, class... Args>
  static std::shared_ptr<T> MakeTracked(Args&&... args) {
    auto object = std::make_unique<T>(std::forward<Args>(args)...);
    ObjectCreated();
    // Should the control block fail to allocate, the deleter still runs and balances the count.
    return std::shared_ptr<T>(object.release(), [](T* created) {
      delete created;
      ObjectDestroyed();
    });
  }

  static std::int64_t ObjectCount() noexcept;

  // A lock keeps the server in use with no object alive. Unlock without a lock does nothing.
  static void Lock() noexcept;
  static void Unlock() noexcept;

  static bool NoneInUse() noexcept;

 private:
  static void ObjectCreated() noexcept;
  static void ObjectDestroyed() noexcept;
};

}  // namespace pelmora
