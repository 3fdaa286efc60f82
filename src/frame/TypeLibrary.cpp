#include "pelmora/frame/TypeLibrary.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace pelmora {
namespace {

using Entry = TypeLibrary::ClassEntry;

constexpr std::array<Entry, 11> kClasses{{
    {"PelmoraT2", "_PelmoraT2", "{62AD7A7A-451B-472F-A7D6-DD18B5744123}",
     "{2C5D17ED-0259-475E-87A6-5E5B92A2A0A1}"},
    {"Global", "_Global", "{87387F16-FE5C-439F-AC87-0CE5AC774B78}",
     "{20FEEF96-FF45-4DE6-8C16-1502525F59A8}"},
    {"ProtocolHandler", "_ProtocolHandler", "{E344EE0A-4DFD-4A1C-B4C2-8C2B89F69516}",
     "{EA88180D-BE4B-4DCC-A068-475C8742C8AB}"},
    {"FifoBuf", "_FifoBuf", "{79FE03A2-1B70-48E7-97D0-0AF95B4AAB86}",
     "{1776FABC-5D2B-4329-829A-10801231ABC9}"},
    {"CommandReply", "_CommandReply", "{7D679F80-83DA-4064-9ECB-7F8700EA507B}",
     "{FA005347-9D55-4434-A64E-76C9275FEAEA}"},
    {"CommandReplyCollection", "_CommandReplyCollection", "{07172ED7-0D6C-49CE-B556-9B913C280772}",
     "{3826F0B6-ACC1-4B46-A719-AA3E82FA0D97}"},
    {"IProtocolHndCallback", "_IProtocolHndCallback", "{CF193657-2962-41B3-BFB7-D6C54ED0DDEF}",
     "{9543BCD4-4C64-4388-A384-1EF60194F944}"},
    {"VersionInfo", "_VersionInfo", "{3CD3F338-9D3D-484A-A3CA-8C386F008715}",
     "{CAFDF590-1940-43FF-8C53-B83F7FD79775}"},
    {"IPInfo", "_IPInfo", "{4001322B-C598-416B-80E9-912FBE2FDC5D}",
     "{9F29E8C9-4384-41E6-AF47-39D168651702}"},
    {"WirelessInfo", "_WirelessInfo", "{D84C65E2-F21C-43EA-9154-D132121E41F5}",
     "{C2EE426D-8348-4A93-9A53-119A3705F873}"},
    {"Enumerations", "_Enumerations", "{5851D162-B9CC-4B8B-BF22-E28297F4B9F1}",
     "{3D9A0872-97D4-4393-B041-14A00EB10E02}"},
}};

bool EqualIgnoringCase(std::string_view a, std::string_view b) noexcept {
  return std::ranges::equal(
      a, b, [](unsigned char x, unsigned char y) { return std::toupper(x) == std::toupper(y); });
}

std::string_view WithoutBraces(std::string_view id) noexcept {
  if (id.size() >= 2 && id.front() == '{' && id.back() == '}') return id.substr(1, id.size() - 2);
  return id;
}

}  // namespace

std::span<const Entry> TypeLibrary::Classes() noexcept {
  return kClasses;
}

std::string TypeLibrary::ProgId(const ClassEntry& entry) {
  return std::string(kName) + "." + std::string(entry.className);
}

const Entry* TypeLibrary::FindByClassId(std::string_view classId) noexcept {
  const auto wanted = WithoutBraces(classId);
  const auto found = std::ranges::find_if(kClasses, [wanted](const Entry& entry) {
    return EqualIgnoringCase(WithoutBraces(entry.classId), wanted);
  });
  return found == kClasses.end() ? nullptr : &*found;
}

const Entry* TypeLibrary::FindByProgId(std::string_view progId) {
  const auto found = std::ranges::find_if(
      kClasses, [progId](const Entry& entry) { return EqualIgnoringCase(ProgId(entry), progId); });
  return found == kClasses.end() ? nullptr : &*found;
}

}  // namespace pelmora
