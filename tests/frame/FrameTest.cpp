#include <gtest/gtest.h>

#include <cctype>

#include "pelmora/device/DeviceInternals.h"
#include "pelmora/frame/ClassRegistry.h"
#include "pelmora/frame/Global.h"
#include "pelmora/frame/ServerEntryPoints.h"
#include "pelmora/platform/ErrorNumbers.h"
#include "pelmora/transport/PipeConnection.h"
#include "support/ExpectError.h"

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
  for (const std::string& key : {std::string("KVNPELMORAT2.fifobuf"), bare})
    EXPECT_NE(ClassRegistry::Create<FifoBuf>(key), nullptr) << key;
  // An interface is not a class, and a class name needs the library's prefix.
  for (const auto* unknown : {"", "FifoBuf", "kvnPelmoraT2._FifoBuf", fifo.interfaceId.data(),
                              "{00000000-0000-0000-0000-000000000000}"})
    EXPECT_TRUE(ClassRegistry::Create(unknown).Empty()) << unknown;
  EXPECT_EQ(ClassRegistry::Create<FifoBuf>("kvnPelmoraT2.PelmoraT2"), nullptr);
}

using testing::CatchError;

TEST(GlobalTest, TeardownEndsTheSessionOnceAndLeavesDialoguesWithoutConnection) {
  auto empty = Global::CreatePelmoraT2Obj(nullptr);
  EXPECT_EQ(DeviceInternals::Handler(*empty), nullptr);
  EXPECT_NO_THROW(Global::TeardownPrinterObj(empty));
  EXPECT_NO_THROW(Global::TeardownPrinterObj(nullptr));

  auto pipe = std::make_shared<PipeConnection>();
  int sessionsClosed = 0;
  pipe->SetOnSessionClose([&] { ++sessionsClosed; });
  auto device = Global::CreatePelmoraT2Obj(pipe);
  EXPECT_FALSE(pipe->IsOpen()) << "creation must not open the connection";
  device->Connect();
  Global::TeardownPrinterObj(device);
  EXPECT_EQ(sessionsClosed, 1);
  EXPECT_FALSE(pipe->SessionActive());
  EXPECT_EQ(device->Connection(), nullptr);
  EXPECT_EQ(CatchError([&] { device->SaveSettings(); }).Number(), errors::kNoConnection);
  EXPECT_EQ(pipe->Sent(), "");

  // The client reopens its connection; a second teardown of the detached device must not
  // reach it.
  pipe->SetIsOpen(true);
  Global::TeardownPrinterObj(device);
  EXPECT_EQ(sessionsClosed, 1);
  EXPECT_TRUE(pipe->SessionActive());
}

using Entry = ServerEntryPoints;

TEST(ServerEntryPointsTest, ClassObjectsCreateTheirClassAndUnknownClassesAreNotAvailable) {
  std::shared_ptr<ClassObject> classObject;
  for (const auto& entry : TypeLibrary::Classes()) {
    ASSERT_EQ(Entry::DllGetClassObject(entry.classId, classObject), Entry::kOk);
    EXPECT_EQ(classObject->CreateInstance().ClassName(), entry.className);
  }
  for (const auto* unknown : {"", "kvnPelmoraT2.Global", TypeLibrary::kLibraryId.data()}) {
    EXPECT_EQ(Entry::DllGetClassObject(unknown, classObject), Entry::kClassNotAvailable);
    EXPECT_EQ(classObject, nullptr) << "a failed look-up must not leave the previous object";
  }
}

TEST(ServerEntryPointsTest, CanUnloadOnlyWhenNothingHandedOutIsAlive) {
  ASSERT_TRUE(Entry::DllCanUnloadNow());
  auto fifo = ClassRegistry::Create<FifoBuf>("kvnPelmoraT2.FifoBuf");
  auto sameFifo = fifo;
  fifo.reset();
  EXPECT_FALSE(Entry::DllCanUnloadNow()) << "a second reference still holds the object";
  sameFifo.reset();
  EXPECT_TRUE(Entry::DllCanUnloadNow());

  std::shared_ptr<ClassObject> classObject;
  ASSERT_EQ(Entry::DllGetClassObject(TypeLibrary::Classes()[0].classId, classObject), Entry::kOk);
  EXPECT_FALSE(Entry::DllCanUnloadNow());
  classObject->LockServer(true);
  classObject.reset();
  EXPECT_FALSE(Entry::DllCanUnloadNow()) << "the server is still locked";
  ClassObject::LockServer(false);
  ClassObject::LockServer(false);  // one unlock too many counts for nothing
  EXPECT_TRUE(Entry::DllCanUnloadNow());

  auto attached = Global::CreatePelmoraT2Obj(std::make_shared<PipeConnection>());
  Global::TeardownPrinterObj(attached);
  EXPECT_FALSE(Entry::DllCanUnloadNow()) << "teardown leaves the object to its holder";
  attached.reset();
  EXPECT_TRUE(Entry::DllCanUnloadNow());
}

}  // namespace
}  // namespace pelmora
