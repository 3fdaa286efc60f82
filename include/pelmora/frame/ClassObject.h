#pragma once

#include "pelmora/frame/CreatedObject.h"
#include "pelmora/frame/TypeLibrary.h"

namespace pelmora {

// The class object (factory) of one public class, as the class-object entry point hands it out.
// While a client holds it, the library counts as in use.
class ClassObject {
 public:
  explicit ClassObject(const TypeLibrary::ClassEntry& entry) : entry_(entry) {}

  const TypeLibrary::ClassEntry& Class() const noexcept { return entry_; }

  // A new object of the class.
  CreatedObject CreateInstance() const;

  // A locked server stays in use even with no object alive; each lock needs its own unlock.
  static void LockServer(bool lock) noexcept;

 private:
  TypeLibrary::ClassEntry entry_;
};

}  // namespace pelmora
