#include "pelmora/frame/Global.h"

#include <gtest/gtest.h>

#include "pelmora/device/DeviceInternals.h"
#include "pelmora/platform/ErrorNumbers.h"
#include "pelmora/transport/PipeConnection.h"
#include "support/ExpectError.h"

namespace pelmora {
namespace {

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

}  // namespace
}  // namespace pelmora
