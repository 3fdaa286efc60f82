#include "pelmora/transport/SerialConnection.h"

#include <gtest/gtest.h>

#include <asio/posix/stream_descriptor.hpp>
#include <asio/write.hpp>

#include "pelmora/platform/Apartment.h"
#include "support/PtyPrintServer.h"
#include "transport/PeerSupport.h"

namespace pelmora {
namespace {

// The connection opens the terminal side by its path; the test plays the device on the
// controlling side, on the same apartment.
struct PtyDevice {
  PtyDevice() : path(testing::OpenRawPty(controller, terminal)) {}
  ~PtyDevice() { close(terminal); }

  int controller = -1;
  int terminal = -1;
  std::string path;
  std::shared_ptr<asio::posix::stream_descriptor> device =
      std::make_shared<asio::posix::stream_descriptor>(Apartment::Current().Context(), controller);
};

// Paths that are missing or no terminal: tests/cli/ErrorsTest.cpp, through the tool.
TEST(SerialConnectionTest, OpensAt8N1PassesBytesUnchangedAcrossLogicalClosesAndRaisesOnHangUp) {
  PtyDevice pty;
  SerialConnection oddRate(pty.path, 12345);
  const AutomationError badRate = testing::CatchError([&] { oddRate.SetIsOpen(true); });
  EXPECT_EQ(badRate.Number(), 3007);
  EXPECT_TRUE(badRate.Description().starts_with(pty.path + ": cannot set 12345 baud"));
  EXPECT_FALSE(oddRate.SessionActive());
  for (const int rate : {0, -9600}) {
    SerialConnection noRate(pty.path, rate);
    EXPECT_EQ(testing::CatchError([&] { noRate.SetIsOpen(true); }).Number(), 3009) << rate;
  }

  SerialConnection connection(pty.path);
  connection.SetIsOpen(true);
  termios line{};
  tcgetattr(pty.terminal, &line);
  EXPECT_EQ(cfgetospeed(&line), static_cast<speed_t>(B9600));
  EXPECT_EQ(line.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), static_cast<tcflag_t>(CS8));
  EXPECT_EQ(line.c_iflag & (IXON | IXOFF), 0U);

  connection.SendText("SH NW\r\xff\n", nullptr);
  EXPECT_EQ(testing::ReceiveFrom(pty.device, 8), "SH NW\r\xff\n");
  connection.SetIsOpen(false);
  const std::string answer("\r\nLocal> \xff\0", 11);
  asio::write(*pty.device, asio::buffer(answer));
  EXPECT_EQ(testing::ReceiveText(connection, 11), answer);
  connection.SetIsOpen(true);
  connection.SendText("x", nullptr);
  EXPECT_EQ(testing::ReceiveFrom(pty.device, 1), "x");

  SerialConnection fast(pty.path, 115200);
  fast.SetIsOpen(true);
  tcgetattr(pty.terminal, &line);
  EXPECT_EQ(cfgetospeed(&line), static_cast<speed_t>(B115200));
  pty.device->close();
  const AutomationError raised = testing::LostSessionError(fast);
  EXPECT_TRUE(raised.Number() == 3004 || raised.Number() == 3005) << raised.Number();
  EXPECT_TRUE(raised.Description().starts_with(pty.path + ": ")) << raised.Description();
}

}  // namespace
}  // namespace pelmora
