#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace pelmora {

// The library's type-library descriptor: its name, version and help string, and the fixed
// identifier of the library, of each public class and of each class's dispatch interface
// (named after the class with a leading underscore). Identifiers are brace-enclosed 128-bit
// texts in capitals; look-ups compare them without regard to case, with or without the braces.
class TypeLibrary {
 public:
  static constexpr std::string_view kName = "kvnPelmoraT2";
  static constexpr std::int32_t kMajorVersion = 6;
  static constexpr std::int32_t kMinorVersion = 0;
  static constexpr std::string_view kHelpString = "Korvane Qesh Pelmora Wireless Library";
  static constexpr std::string_view kLibraryId = "{C65736D2-EF09-4299-8D84-248FD7B71FDC}";

  struct ClassEntry {
    std::string_view className;      // "FifoBuf"
    std::string_view interfaceName;  // "_FifoBuf"
    std::string_view classId;
    std::string_view interfaceId;
  };

  // Every public class, in the order of the library's interface listing.
  static std::span<const ClassEntry> Classes() noexcept;

  // The programmatic name clients create a class by: "kvnPelmoraT2." and the class name.
  static std::string ProgId(const ClassEntry& entry);

  // nullptr when nothing matches. Programmatic names are matched without regard to case.
  static const ClassEntry* FindByClassId(std::string_view classId) noexcept;
  static const ClassEntry* FindByProgId(std::string_view progId);
};

}  // namespace pelmora
