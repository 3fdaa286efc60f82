#pragma once

#include <memory>
#include <string_view>
#include <variant>

#include "pelmora/device/PelmoraT2.h"
#include "pelmora/fifo/FifoBuf.h"
#include "pelmora/frame/Enumerations.h"
#include "pelmora/frame/Global.h"
#include "pelmora/protocol/CommandReply.h"
#include "pelmora/protocol/CommandReplyCollection.h"
#include "pelmora/protocol/IProtocolHndCallback.h"
#include "pelmora/protocol/ProtocolHandler.h"
#include "pelmora/reports/IPInfo.h"
#include "pelmora/reports/VersionInfo.h"
#include "pelmora/reports/WirelessInfo.h"

namespace pelmora {

// An object created by class name or identifier, with its type erased: one counted reference to
// any of the library's public classes, or nothing. As<T>() hands it out typed; asking for a
// class that is not among them does not compile.
class CreatedObject {
 public:
  using Reference =
      std::variant<std::monostate, std::shared_ptr<PelmoraT2>, std::shared_ptr<Global>,
                   std::shared_ptr<ProtocolHandler>, std::shared_ptr<FifoBuf>,
                   std::shared_ptr<CommandReply>, std::shared_ptr<CommandReplyCollection>,
                   std::shared_ptr<IProtocolHndCallback>, std::shared_ptr<VersionInfo>,
                   std::shared_ptr<IPInfo>, std::shared_ptr<WirelessInfo>,
                   std::shared_ptr<Enumerations>>;

  CreatedObject() = default;
  CreatedObject(std::string_view className, Reference object)
      : className_(className), object_(std::move(object)) {}

  // The class name, "" when empty. Names come from the type library and live for good.
  std::string_view ClassName() const noexcept { return className_; }
  bool Empty() const noexcept { return std::holds_alternative<std::monostate>(object_); }

  // The object when it is a T, otherwise nullptr.
  template <class T>
  std::shared_ptr<T> As() const {
    const auto* typed = std::get_if<std::shared_ptr<T>>(&object_);
    return typed ? *typed : nullptr;
  }

 private:
  std::string_view className_;
  Reference object_;
};

}  // namespace pelmora
