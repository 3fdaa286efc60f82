#include "pelmora/transport/SerialConnection.h"

#include <gtest/gtest.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <asio/posix/stream_descriptor.hpp>
#include <memory>
#include <optional>

#include "pelmora/platform/Apartment.h"
#include "support/PumpUntil.h"
#include "transport/PeerSupport.h"

namespace pelmora {
namespace {

using std::chrono::milliseconds;

// A pseudo-terminal pair: the connection opens the terminal side by its path, the test plays
// the device on the controlling side, on the same apartment.
class PtyDevice {
 public:
  PtyDevice() {
    int device = -1;
    std::array<char, 128> path{};
    if (openpty(&device, &terminal_, path.data(), nullptr, nullptr) != 0) {
      throw std::runtime_error("openpty failed");
    }
    path_ = path.data();
    // Raw from the start, so nothing written before the connection opens is echoed or changed.
    termios raw{};
    tcgetattr(terminal_, &raw);
    cfmakeraw(&raw);
    tcsetattr(terminal_, TCSANOW, &raw);
    device_ =
        std::make_shared<asio::posix::stream_descriptor>(Apartment::Current().Context(), device);
  }
  ~PtyDevice() { close(terminal_); }
  PtyDevice(const PtyDevice&) = delete;
  PtyDevice& operator=(const PtyDevice&) = delete;

  const std::string& Path() const { return path_; }

  termios LineSettings() const {
    termios settings{};
    tcgetattr(terminal_, &settings);
    return settings;
  }

  void Send(std::string_view bytes) {
    ASSERT_EQ(write(device_->native_handle(), bytes.data(), bytes.size()),
              static_cast<ssize_t>(bytes.size()));
  }

  std::string Receive(std::size_t count) { return testing::ReceiveFrom(device_, count); }

  void HangUp() { device_->close(); }

 private:
  int terminal_ = -1;
  std::string path_;
  std::shared_ptr<asio::posix::stream_descriptor> device_;
};

TEST(SerialConnectionTest, OpensAt8N1AndPassesBytesUnchangedAcrossLogicalCloses) {
  PtyDevice device;
  SerialConnection connection(device.Path());
  connection.SetIsOpen(true);

  const termios line = device.LineSettings();
  EXPECT_EQ(cfgetospeed(&line), static_cast<speed_t>(B9600));
  EXPECT_EQ(line.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(line.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0U);
  EXPECT_EQ(line.c_iflag & (IXON | IXOFF), 0U);

  connection.SendText("SH NW\r\xff\n", nullptr);
  EXPECT_EQ(device.Receive(8), "SH NW\r\xff\n");

  connection.SetIsOpen(false);
  device.Send(std::string("\r\nLocal> \xff\0", 11));
  EXPECT_EQ(testing::ReceiveText(connection, 11), std::string("\r\nLocal> \xff\0", 11));

  connection.SetIsOpen(true);
  EXPECT_TRUE(connection.SessionActive());
  connection.SendText("x", nullptr);
  EXPECT_EQ(device.Receive(1), "x");
}

TEST(SerialConnectionTest, OpenFailuresNameThePathAndTheReason) {
  SerialConnection missing("/nonexistent/ttyS9");
  const auto notFound = testing::OpenError(missing);
  ASSERT_TRUE(notFound.has_value());
  EXPECT_EQ(notFound->Number(), 3007);
  EXPECT_EQ(notFound->Source(), "Connection");
  EXPECT_EQ(notFound->Description(), "/nonexistent/ttyS9: No such file or directory");
  EXPECT_FALSE(missing.SessionActive());

  PtyDevice device;
  SerialConnection oddRate(device.Path(), 12345);
  const auto badRate = testing::OpenError(oddRate);
  ASSERT_TRUE(badRate.has_value());
  EXPECT_EQ(badRate->Number(), 3007);
  EXPECT_EQ(badRate->Description().rfind(device.Path() + ": cannot set 12345 baud", 0), 0U);
}

TEST(SerialConnectionTest, DeviceHangUpMakesTheNextPollRaise) {
  PtyDevice device;
  SerialConnection connection(device.Path(), 115200);
  connection.SetIsOpen(true);
  device.HangUp();

  const auto raised = testing::PollUntilRaised(connection);
  ASSERT_TRUE(raised.has_value());
  EXPECT_TRUE(raised->Number() == 3004 || raised->Number() == 3005) << raised->Number();
  EXPECT_EQ(raised->Description().rfind(device.Path() + ": ", 0), 0U);
  EXPECT_FALSE(connection.SessionActive());
}

}  // namespace
}  // namespace pelmora
