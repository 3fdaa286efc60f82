#include <gtest/gtest.h>

#include <ctime>

#include "pelmora/device/DeviceInternals.h"
#include "pelmora/frame/Global.h"
#include "pelmora/simulator/EmbeddedPrintServer.h"
#include "pelmora/simulator/TelnetShellServer.h"
#include "pelmora/transport/TelnetConnection.h"
#include "support/ExpectError.h"

namespace pelmora {
namespace {

// The embedded road in both framing modes, the answers whole and in pieces of three bytes, each
// piece its own event: every mode and delivery must give the same results.
struct Framing {
  std::int32_t delayMs;
  std::size_t pieceSize;
};

struct RoundTripTest : ::testing::TestWithParam<Framing> {
  struct Road {
    explicit Road(std::optional<std::string> password = {}) {
      server.State().SetShellPassword(std::move(password));
      DeliveryPlan plan;
      plan.pieceSize = GetParam().pieceSize;
      server.SetDelivery(plan);
      device->SetFramingDelay(GetParam().delayMs);
      DeviceInternals::Handler(*device)->SetDefaultTimeout(2000);
    }
    ~Road() { Global::TeardownPrinterObj(device); }

    EmbeddedPrintServer server;
    std::shared_ptr<PelmoraT2> device = Global::CreatePelmoraT2Obj(server.Connection());
  };
};

// Every row and word of the catalog is read back on one road by SettingsCatalogTest; these carry
// each kind of answer (number, word, text with blanks, address) through every framing mode.
TEST_P(RoundTripTest, SettersAreReadBackByTheirGetters) {
  Road road;
  PelmoraT2& device = *road.device;
  device.SetMode(AdHoc);
  device.SetSSID("Office Net");
  device.SetWiFiChannel(11);
  device.SetIpAddress("192.168.0.50");
  EXPECT_EQ(device.GetMode(), AdHoc);
  EXPECT_EQ(device.GetSSID(), "Office Net");
  EXPECT_EQ(device.GetWiFiChannel(), 11);
  EXPECT_EQ(device.GetIpAddress(), "192.168.0.50");
}

TEST_P(RoundTripTest, ReportsParseTheSimulatorsScreens) {
  Road road;
  const PrintServerState reference;
  const auto version = road.device->GetVersion();
  EXPECT_EQ(version->ProductName(), reference.VersionScreen().at(0));
  EXPECT_EQ(version->FirmwareVersion(), reference.Fixed().firmwareVersion);

  const auto ip = road.device->GetIPInfo();
  EXPECT_EQ(ip->IPAddress() + "|" + ip->SubnetMask() + "|" + ip->DefaultRouter(),
            "10.1.2.3|255.255.255.0|10.1.2.1");
  EXPECT_EQ(ip->BootMethod(), Dhcp);

  road.device->SetEncryption(Wep64);
  road.device->SetWepKey(2, "0123456789");
  EXPECT_EQ(road.device->GetWirelessInfo()->ToString(),
            "AP MAC Address: " + reference.Fixed().apMacAddress +
                "\r\nRegulatory Domain: FCC\r\nWEP Encryption: 64 bit WEP Encryption\r\n"
                "WEP Key #1 Set: False\r\nWEP Key #2 Set: True\r\nWEP Key #3 Set: False\r\n"
                "WEP Key #4 Set: False\r\nWiFi Firmware version: 1.7.4\r\n");
}

// Login leaves the read-only state only with the right password. Reset keeps the saved values and
// drops the unsaved ones; it ends the session like logoff, and the next one is read-only again.
TEST_P(RoundTripTest, LoginResetAndLogoffMoveBetweenReadOnlyAndPrivilegedSessions) {
  Road road("secret");
  PelmoraT2& device = *road.device;
  EXPECT_TRUE(device.IsReadOnlyMode());
  EXPECT_EQ(testing::CatchError([&] { device.SetSSID("x"); }).Number(), 9998);
  device.Login("wrong");
  EXPECT_TRUE(device.IsReadOnlyMode());
  device.Login("secret");
  EXPECT_FALSE(device.IsReadOnlyMode());
  device.SetSSID("Saved");
  device.SaveSettings();
  device.SetSSID("Unsaved");
  device.SetWiFiChannel(1);
  device.ResetPrintServer();
  EXPECT_EQ(device.GetSSID(), "Saved");
  EXPECT_EQ(device.GetWiFiChannel(), 6);
  EXPECT_TRUE(device.IsReadOnlyMode());
  device.Login("secret");
  device.Logoff();
  EXPECT_TRUE(device.IsReadOnlyMode());
}

INSTANTIATE_TEST_SUITE_P(Modes, RoundTripTest,
                         ::testing::Values(Framing{10, 0}, Framing{10, 3}, Framing{0, 0},
                                           Framing{0, 3}),
                         [](const auto& info) {
                           return "Delay" + std::to_string(info.param.delayMs) +
                                  (info.param.pieceSize > 0 ? "Pieces" : "Whole");
                         });

// A command waits in the event loop without spending CPU: 50 answers over telnet, each framed by
// the 10 ms receive timer, cost a small share of their wall time (a polling wait costs most of it).
TEST(RoundTripSmokeTest, WaitingForTheDeviceCostsAlmostNoCpu) {
  TelnetShellServer server;
  server.Start();
  const auto device =
      Global::CreatePelmoraT2Obj(std::make_shared<TelnetConnection>("127.0.0.1", server.Port()));
  const std::clock_t cpuBefore = std::clock();  // of the whole process
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 50; ++i) EXPECT_EQ(device->GetSSID(), "PrintNet");
  const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - start;
  const double share = double(std::clock() - cpuBefore) / CLOCKS_PER_SEC / wall.count();
  EXPECT_LT(share, 0.05) << "CPU " << share * 100 << "% of wall time";
  Global::TeardownPrinterObj(device);
}

// The device keeps its framing delay for a handler created later and refuses a negative one.
TEST(RoundTripSmokeTest, DeviceFramingDelayIsKeptAndANegativeOneRefused) {
  PelmoraT2 device;
  device.SetFramingDelay(0);
  EXPECT_EQ(testing::CatchError([&] { device.SetFramingDelay(-5); }).Number(), 5);
  EXPECT_EQ(device.FramingDelay(), 0);
  DeviceInternals::AttachConnection(device, std::make_shared<EmbeddedPrintServer>()->Connection());
  EXPECT_EQ(DeviceInternals::Handler(device)->FramingDelay(), 0);
}

// A device object against a print server that misbehaves: each fault ends the command in its
// error within its time limit, and the next command on the same device object works. Run under
// the sanitizer build, these tests also show that no fault leaks memory. The faults a single
// layer decides (session ends, floods, XOFF, split answers, telnet bytes, refused connects) are
// tested at that layer.
using std::chrono::milliseconds;

constexpr milliseconds kLimit{300};
// Far above any delay of a loaded machine or the sanitizers, far below the ten seconds a wait
// would take that fell back on the library's own default limit.
constexpr milliseconds kMargin{4000};

// The error number a "SH NW SSID" ends in (0 when answered), and how long it took.
std::pair<std::int32_t, milliseconds> AskSsid(PelmoraT2& device, std::int32_t timeout = 0) {
  const auto started = std::chrono::steady_clock::now();
  std::int32_t number = 0;
  try {
    EXPECT_EQ(device.Command("SH NW SSID\r", nullptr, false, timeout), "WiFi SSID: PrintNet");
  } catch (const AutomationError& error) {
    number = error.Number();
  }
  return {number,
          std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now() - started)};
}

TEST(DeviceFaultsTest, AnswersThatNeverCompleteEndAtTheirLimitAndTheNextCommandWorks) {
  // No echo or nothing behind it: no answer began, the default limit ends it. An answer without
  // a prompt has begun; only the caller's limit ends it, and the default stays the library's
  // own, so that a wait that took it instead would overrun the margin.
  const std::vector<std::tuple<bool ShellFaults::*, std::int32_t, std::int32_t>> rows = {
      {&ShellFaults::noEcho, 0, 119},
      {&ShellFaults::stallAfterEcho, 0, 119},
      {&ShellFaults::noPrompt, 200, 120},
  };
  for (const auto& [fault, timeout, error] : rows) {
    EmbeddedPrintServer server;
    const auto device = Global::CreatePelmoraT2Obj(server.Connection());
    if (timeout == 0) {
      DeviceInternals::Handler(*device)->SetDefaultTimeout(
          static_cast<std::int32_t>(kLimit.count()));
    }
    server.Faults().*fault = true;
    const auto [number, took] = AskSsid(*device, timeout);
    EXPECT_EQ(number, error);
    const milliseconds limit = timeout > 0 ? milliseconds(timeout) : kLimit;
    EXPECT_GE(took, limit);
    EXPECT_LT(took, limit + kMargin);

    server.Faults() = {};
    const auto [answered, again] = AskSsid(*device);
    EXPECT_EQ(answered, 0);
    EXPECT_LT(again, kMargin);
    Global::TeardownPrinterObj(device);
  }
}

}  // namespace
}  // namespace pelmora
