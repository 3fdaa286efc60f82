#include <gtest/gtest.h>

#include <ctime>

#include "pelmora/device/DeviceInternals.h"
#include "pelmora/frame/Global.h"
#include "pelmora/simulator/EmbeddedPrintServer.h"
#include "pelmora/simulator/TelnetShellServer.h"
#include "pelmora/transport/TelnetConnection.h"

namespace pelmora {
namespace {

// The embedded road in both framing modes, the answers whole and in pieces of three bytes, each
// piece its own event: every mode and delivery must give the same results.
struct Framing {
  std::int32_t delayMs;
  std::size_t pieceSize;
};

struct RoundTripTest : ::testing::TestWithParam<Framing> {
  RoundTripTest() {
    server.State().SetShellPassword("secret");
    DeliveryPlan plan;
    plan.pieceSize = GetParam().pieceSize;
    server.SetDelivery(plan);
    device->SetFramingDelay(GetParam().delayMs);
    DeviceInternals::Handler(*device)->SetDefaultTimeout(2000);
  }
  ~RoundTripTest() override { Global::TeardownPrinterObj(device); }

  EmbeddedPrintServer server;
  std::shared_ptr<PelmoraT2> device = Global::CreatePelmoraT2Obj(server.Connection());
};

// Every row and word of the catalog is read back by SettingsCatalogTest, the report screens by
// CommandsTest, each dialogue's bytes by PelmoraT2DialogueTest: here each kind of answer and
// dialogue goes through every framing mode. Reset keeps the saved values and ends the session.
TEST_P(RoundTripTest, SettersReportsAndDialoguesGiveTheSameResults) {
  device->Login("wrong");
  EXPECT_TRUE(device->IsReadOnlyMode());
  device->Login("secret");
  EXPECT_FALSE(device->IsReadOnlyMode());
  device->SetMode(AdHoc);
  device->SetSSID("Office Net");
  device->SetWiFiChannel(11);
  device->SetIpAddress("192.168.0.50");
  device->SetEncryption(Wep64);
  device->SetWepKey(2, "0123456789");
  EXPECT_EQ(device->GetMode(), AdHoc);
  EXPECT_EQ(device->GetSSID(), "Office Net");
  EXPECT_EQ(device->GetWiFiChannel(), 11);
  EXPECT_EQ(device->GetIpAddress(), "192.168.0.50");
  EXPECT_EQ(device->GetIPInfo()->IPAddress(), "192.168.0.50");
  EXPECT_EQ(device->GetVersion()->FirmwareVersion(), PrintServerState().Fixed().firmwareVersion);
  EXPECT_EQ(device->GetWirelessInfo()->ToString(),
            "AP MAC Address: 00:11:22:33:44:55\r\nRegulatory Domain: FCC\r\n"
            "WEP Encryption: 64 bit WEP Encryption\r\nWEP Key #1 Set: False\r\n"
            "WEP Key #2 Set: True\r\nWEP Key #3 Set: False\r\nWEP Key #4 Set: False\r\n"
            "WiFi Firmware version: 1.7.4\r\n");
  device->SaveSettings();
  device->SetSSID("Unsaved");
  device->SetWiFiChannel(1);
  device->ResetPrintServer();
  EXPECT_EQ(device->GetSSID(), "Office Net");
  EXPECT_EQ(device->GetWiFiChannel(), 11);
  EXPECT_TRUE(device->IsReadOnlyMode());
  device->Login("secret");
  device->Logoff();
  EXPECT_TRUE(device->IsReadOnlyMode());
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

// A print server that misbehaves: each fault ends the command in its error within its time
// limit, and the next command on the same device object works (faults one layer decides are
// tested at that layer).
using std::chrono::milliseconds;

constexpr milliseconds kLimit{300};
// Far above a loaded machine's delays, far below the library's default limit of ten seconds.
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
  // a prompt ends only at the caller's limit (the default stays ten seconds, past the margin).
  const std::vector<std::tuple<bool ShellFaults::*, std::int32_t, std::int32_t>> rows = {
      {&ShellFaults::noEcho, 0, 119},
      {&ShellFaults::stallAfterEcho, 0, 119},
      {&ShellFaults::noPrompt, 200, 120},
  };
  for (const auto& [fault, timeout, error] : rows) {
    EmbeddedPrintServer server;
    const auto device = Global::CreatePelmoraT2Obj(server.Connection());
    if (timeout == 0) DeviceInternals::Handler(*device)->SetDefaultTimeout(kLimit.count());
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
