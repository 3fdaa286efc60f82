#include "pelmora/frame/TypeLibrary.h"

#include <gtest/gtest.h>

#include <cctype>
#include <regex>
#include <set>
#include <string>

namespace pelmora {
namespace {

TEST(TypeLibraryTest, EveryClassAndInterfaceHasItsOwnWellFormedIdentifier) {
  const std::regex idForm(R"(\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\})");
  std::set<std::string> ids{std::string(TypeLibrary::kLibraryId)};
  for (const auto& entry : TypeLibrary::Classes()) {
    EXPECT_EQ(entry.interfaceName, "_" + std::string(entry.className));
    EXPECT_TRUE(ids.emplace(entry.classId).second) << entry.className;
    EXPECT_TRUE(ids.emplace(entry.interfaceId).second) << entry.interfaceName;
  }
  for (const auto& id : ids) EXPECT_TRUE(std::regex_match(id, idForm)) << id;
  EXPECT_EQ(ids.size(), 23U);
}

TEST(TypeLibraryTest, LooksUpClassesByIdentifierAndProgrammaticName) {
  const auto& fifo = TypeLibrary::Classes()[3];
  ASSERT_EQ(fifo.className, "FifoBuf");
  EXPECT_EQ(TypeLibrary::ProgId(fifo), "kvnPelmoraT2.FifoBuf");

  EXPECT_EQ(TypeLibrary::FindByProgId("kvnPelmoraT2.FifoBuf"), &fifo);
  EXPECT_EQ(TypeLibrary::FindByProgId("KVNPELMORAT2.fifobuf"), &fifo);
  EXPECT_EQ(TypeLibrary::FindByClassId(fifo.classId), &fifo);
  std::string bare(fifo.classId.substr(1, fifo.classId.size() - 2));
  for (auto& c : bare) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  EXPECT_EQ(TypeLibrary::FindByClassId(bare), &fifo);

  // An interface is not a class, and a class name needs the library's prefix.
  EXPECT_EQ(TypeLibrary::FindByClassId(fifo.interfaceId), nullptr);
  EXPECT_EQ(TypeLibrary::FindByClassId(TypeLibrary::kLibraryId), nullptr);
  EXPECT_EQ(TypeLibrary::FindByProgId("FifoBuf"), nullptr);
}

}  // namespace
}  // namespace pelmora
