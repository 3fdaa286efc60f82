#include "pelmora/frame/TypeLibrary.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>

namespace pelmora {
namespace {

TEST(TypeLibraryTest, EveryClassAndInterfaceHasItsOwnWellFormedIdentifier) {
  const std::regex idForm(R"(\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\})");
  std::set<std::string> ids{std::string(TypeLibrary::kLibraryId)};
  for (const auto& entry : TypeLibrary::Classes()) {
    EXPECT_EQ(entry.interfaceName, std::string("_").append(entry.className));
    EXPECT_TRUE(ids.emplace(entry.classId).second) << entry.className;
    EXPECT_TRUE(ids.emplace(entry.interfaceId).second) << entry.interfaceName;
  }
  for (const auto& id : ids) EXPECT_TRUE(std::regex_match(id, idForm)) << id;
  EXPECT_EQ(TypeLibrary::ProgId(TypeLibrary::Classes()[3]), "kvnPelmoraT2.FifoBuf");
}

}  // namespace
}  // namespace pelmora
