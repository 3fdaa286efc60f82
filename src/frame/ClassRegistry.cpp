#include "pelmora/frame/ClassRegistry.h"

#include <algorithm>
#include <array>
#include <utility>

#include "pelmora/frame/LiveObjects.h"

namespace pelmora {
namespace {

using Maker = CreatedObject (*)(std::string_view className);

template <class T>
CreatedObject Make(std::string_view className) {
  return CreatedObject(className, LiveObjects::MakeTracked<T>());
}

constexpr std::array<std::pair<std::string_view, Maker>, 11> kMakers{{
    {"PelmoraT2", &Make<PelmoraT2>},
    {"Global", &Make<Global>},
    {"ProtocolHandler", &Make<ProtocolHandler>},
    {"FifoBuf", &Make<FifoBuf>},
    {"CommandReply", &Make<CommandReply>},
    {"CommandReplyCollection", &Make<CommandReplyCollection>},
    {"IProtocolHndCallback", &Make<IProtocolHndCallback>},
    {"VersionInfo", &Make<VersionInfo>},
    {"IPInfo", &Make<IPInfo>},
    {"WirelessInfo", &Make<WirelessInfo>},
    {"Enumerations", &Make<Enumerations>},
}};

}  // namespace

CreatedObject ClassRegistry::Create(std::string_view progIdOrClassId) {
  const auto* entry = TypeLibrary::FindByProgId(progIdOrClassId);
  if (!entry) entry = TypeLibrary::FindByClassId(progIdOrClassId);
  return entry ? Create(*entry) : CreatedObject();
}

CreatedObject ClassRegistry::Create(const TypeLibrary::ClassEntry& entry) {
  const auto found =
      std::ranges::find(kMakers, entry.className, [](const auto& maker) { return maker.first; });
  return found == kMakers.end() ? CreatedObject() : found->second(entry.className);
}

}  // namespace pelmora
