#include "pelmora/frame/ServerEntryPoints.h"

#include <gtest/gtest.h>

#include "pelmora/frame/ClassRegistry.h"
#include "pelmora/frame/Global.h"
#include "pelmora/transport/PipeConnection.h"

namespace pelmora {
namespace {

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
