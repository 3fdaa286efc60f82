#include "pelmora/frame/Global.h"

#include <gtest/gtest.h>

#include "pelmora/platform/ErrorNumbers.h"
#include "pelmora/simulator/PrintServerState.h"
#include "pelmora/simulator/ShellEngine.h"
#include "pelmora/transport/PipeConnection.h"
#include "support/ExpectError.h"

namespace pelmora {
namespace {

using testing::CatchError;

// Counts how often the physical session is ended, that is how often the connection library's
// teardown actually reached the connection.
class CountingPipe : public PipeConnection {
 public:
  int sessionsClosed = 0;

 protected:
  void CloseSession() override {
    ++sessionsClosed;
    PipeConnection::CloseSession();
  }
};

TEST(GlobalTest, AnEmptyConnectionGivesAnObjectWithNeitherConnectionNorHandler) {
  auto device = Global::CreatePelmoraT2Obj(nullptr);
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(device->Connection(), nullptr);
  EXPECT_EQ(device->ProtocolHandler(), nullptr);
  EXPECT_EQ(CatchError([&] { device->Connect(); }).Number(), errors::kObjectNotSet);
  EXPECT_EQ(CatchError([&] { device->SaveSettings(); }).Number(), errors::kObjectNotSet);
  EXPECT_NO_THROW(Global::TeardownPrinterObj(device));
  EXPECT_NO_THROW(Global::TeardownPrinterObj(nullptr));
}

TEST(GlobalTest, TeardownEndsTheSessionOnceAndLeavesDialoguesWithoutConnection) {
  auto pipe = std::make_shared<CountingPipe>();
  auto device = Global::CreatePelmoraT2Obj(pipe);
  EXPECT_EQ(device->Connection(), pipe);
  EXPECT_FALSE(pipe->IsOpen()) << "creation must not open the connection";
  device->Connect();
  ASSERT_TRUE(pipe->SessionActive());

  Global::TeardownPrinterObj(device);
  EXPECT_EQ(pipe->sessionsClosed, 1);
  EXPECT_FALSE(pipe->SessionActive());
  EXPECT_EQ(device->Connection(), nullptr);
  EXPECT_NE(device->ProtocolHandler(), nullptr);
  EXPECT_EQ(CatchError([&] { device->SaveSettings(); }).Number(), errors::kNoConnection);
  EXPECT_EQ(CatchError([&] { device->Command("\r"); }).Number(), errors::kNoConnection);
  EXPECT_EQ(pipe->Sent(), "");

  // The client reopens its connection; a second teardown of the detached device must not
  // reach it.
  pipe->SetIsOpen(true);
  Global::TeardownPrinterObj(device);
  EXPECT_EQ(pipe->sessionsClosed, 1);
  EXPECT_TRUE(pipe->SessionActive());
}

TEST(GlobalTest, ACreatedDeviceTalksToTheShellUntilTornDown) {
  auto pipe = std::make_shared<PipeConnection>();
  auto state = std::make_shared<PrintServerState>();
  ShellEngine shell(state, [&](std::string_view bytes) { pipe->PeerWrite(bytes); });
  pipe->SetPeer([&](std::string_view bytes) { shell.Feed(bytes); });

  auto device = Global::CreatePelmoraT2Obj(pipe);
  EXPECT_EQ(device->GetVersion()->ProductName(), state->Fixed().productName);
  Global::TeardownPrinterObj(device);
  EXPECT_EQ(CatchError([&] { (void)device->GetVersion(); }).Number(), errors::kNoConnection);
}

}  // namespace
}  // namespace pelmora
