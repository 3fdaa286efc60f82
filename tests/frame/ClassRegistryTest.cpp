#include "pelmora/frame/ClassRegistry.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>

#include "pelmora/platform/ErrorNumbers.h"
#include "support/ExpectError.h"

namespace pelmora {
namespace {

using testing::CatchError;

template <class T>
bool Holds(const CreatedObject& object) {
  return object.As<T>() != nullptr;
}

// Which type each class name must come out as, so that no two classes are mixed up.
const std::map<std::string, std::function<bool(const CreatedObject&)>, std::less<>> kTypeOf{
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
    {"Enumerations", Holds<Enumerations>},
};

TEST(ClassRegistryTest, CreatesEveryClassByNameAndByIdentifierAsItsOwnType) {
  ASSERT_EQ(TypeLibrary::Classes().size(), kTypeOf.size());
  for (const auto& entry : TypeLibrary::Classes()) {
    const auto isRightType = kTypeOf.find(entry.className);
    ASSERT_NE(isRightType, kTypeOf.end()) << entry.className;
    for (const auto& key : {TypeLibrary::ProgId(entry), std::string(entry.classId)}) {
      const auto created = ClassRegistry::Create(key);
      ASSERT_FALSE(created.Empty()) << key;
      EXPECT_EQ(created.ClassName(), entry.className);
      EXPECT_TRUE(isRightType->second(created)) << key;
    }
  }
}

TEST(ClassRegistryTest, EachCreationGivesANewWorkingObject) {
  auto fifo = ClassRegistry::Create<FifoBuf>("kvnPelmoraT2.FifoBuf");
  ASSERT_NE(fifo, nullptr);
  fifo->Add("abc");
  EXPECT_EQ(fifo->Count(), 3);
  EXPECT_EQ(ClassRegistry::Create<FifoBuf>("kvnPelmoraT2.FifoBuf")->Count(), 0);

  auto device = ClassRegistry::Create<PelmoraT2>("kvnPelmoraT2.PelmoraT2");
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(device->Connection(), nullptr);
  EXPECT_EQ(CatchError([&] { device->Connect(); }).Number(), errors::kObjectNotSet);
  EXPECT_EQ(CatchError([&] { device->Command("\r"); }).Number(), errors::kObjectNotSet);
}

TEST(ClassRegistryTest, RefusesUnknownNamesAndIdentifiersAndOtherTypes) {
  for (const auto* unknown : {"", "FifoBuf", "kvnPelmoraT2.Nothing", "kvnPelmoraT2._FifoBuf",
                              "otherLib.FifoBuf", "{00000000-0000-0000-0000-000000000000}"}) {
    const auto created = ClassRegistry::Create(unknown);
    EXPECT_TRUE(created.Empty()) << unknown;
    EXPECT_EQ(created.ClassName(), "");
  }
  EXPECT_TRUE(ClassRegistry::Create(TypeLibrary::Classes()[0].interfaceId).Empty());
  EXPECT_EQ(ClassRegistry::Create<FifoBuf>("kvnPelmoraT2.Nothing"), nullptr);
  EXPECT_EQ(ClassRegistry::Create<FifoBuf>("kvnPelmoraT2.PelmoraT2"), nullptr);
}

}  // namespace
}  // namespace pelmora
