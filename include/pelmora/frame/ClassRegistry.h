#pragma once

#include <memory>
#include <string_view>

#include "pelmora/frame/CreatedObject.h"
#include "pelmora/frame/TypeLibrary.h"

namespace pelmora {

// Creates the library's public classes by programmatic name ("kvnPelmoraT2.FifoBuf") or by
// class identifier. Every object it creates counts as in use until its last reference goes.
//
// Global has only static members; creating it gives a fresh, empty Global through which they
// can be called, as a client that names the application object would. Objects that own timers
// (PelmoraT2, ProtocolHandler) belong to the apartment of the creating thread.
class ClassRegistry {
 public:
  // Empty when the name or identifier is unknown.
  static CreatedObject Create(std::string_view progIdOrClassId);
  static CreatedObject Create(const TypeLibrary::ClassEntry& entry);

  // nullptr when the name or identifier is unknown or names a class other than T.
  template <class T>
  static std::shared_ptr<T> Create(std::string_view progIdOrClassId) {
    return Create(progIdOrClassId).As<T>();
  }
};

}  // namespace pelmora
