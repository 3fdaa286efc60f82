#include "pelmora/frame/ClassRegistry.h"

#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <string>

namespace pelmora {
namespace {

template <class T>
bool Holds(const CreatedObject& object) {
  return object.As<T>() != nullptr;
}

TEST(ClassRegistryTest, CreatesEveryClassByNameAndByIdentifierAsItsOwnType) {
  // Which type each class name must come out as, so that no two classes are mixed up.
  const std::map<std::string, bool (*)(const CreatedObject&), std::less<>> typeOf{
      {"PelmoraT2", Holds<PelmoraT2>},
      {"Global", Holds<Global>},
      {"ProtocolHandler", Holds<ProtocolHandler>},
      {"FifoBuf", Holds<FifoBuf>},
      {"CommandReply", Holds<CommandReply>},
      {"CommandReplyCollection", Holds<CommandReplyCollection>},
      {"IProtocolHndCallback", Holds<IProtocolHndCallback>},
      {"VersionInfo", Holds<VersionInfo>},
      {"IPInfo", Holds<IPInfo>},
      {"WirelessInfo", Holds<WirelessInfo>},
      {"Enumerations", Holds<Enumerations>}};
  ASSERT_EQ(TypeLibrary::Classes().size(), typeOf.size());
  for (const auto& entry : TypeLibrary::Classes()) {
    const auto isRightType = typeOf.find(entry.className);
    ASSERT_NE(isRightType, typeOf.end()) << entry.className;
    for (const auto& key : {TypeLibrary::ProgId(entry), std::string(entry.classId)}) {
      const auto created = ClassRegistry::Create(key);
      EXPECT_EQ(created.ClassName(), entry.className) << key;
      EXPECT_TRUE(isRightType->second(created)) << key;
    }
  }
}

TEST(ClassRegistryTest, IgnoresLetterCaseAndBracesAndRefusesEverythingElse) {
  const auto& fifo = TypeLibrary::Classes()[3];
  std::string bare(fifo.classId.substr(1, fifo.classId.size() - 2));
  for (auto& c : bare) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const std::string& key : {std::string("KVNPELMORAT2.fifobuf"), bare}) {
    EXPECT_NE(ClassRegistry::Create<FifoBuf>(key), nullptr) << key;
  }
  // An interface is not a class, and a class name needs the library's prefix.
  for (const auto* unknown : {"", "FifoBuf", "kvnPelmoraT2._FifoBuf", fifo.interfaceId.data(),
                              "{00000000-0000-0000-0000-000000000000}"}) {
    EXPECT_TRUE(ClassRegistry::Create(unknown).Empty()) << unknown;
  }
  EXPECT_EQ(ClassRegistry::Create<FifoBuf>("kvnPelmoraT2.PelmoraT2"), nullptr);
}

}  // namespace
}  // namespace pelmora
