#include <gtest/gtest.h>

#include <functional>

#include "endtoend/SimulatorRoad.h"
#include "pelmora/device/DeviceInternals.h"
#include "pelmora/simulator/PrintServerState.h"
#include "support/CpuTime.h"
#include "support/ExpectError.h"

namespace pelmora {
namespace {

using testing::RoadKind;
using testing::SimulatorRoad;

// One setting written through its setter and read back through its getter. Every row and word
// of the catalog is read back on one road by SettingsCatalogTest; these carry each kind of answer
// (number, word, text with blanks, address) through every framing mode.
struct RoundTrip {
  const char* name;
  std::function<void(PelmoraT2&)> set;
  std::function<std::string(PelmoraT2&)> get;
  std::string expected;
};

std::string Num(std::int32_t value) {
  return std::to_string(value);
}

const std::vector<RoundTrip>& RoundTrips() {
  static const std::vector<RoundTrip> trips = {
      {"mode", [](auto& d) { d.SetMode(AdHoc); }, [](auto& d) { return Num(d.GetMode()); }, "2"},
      {"ssid", [](auto& d) { d.SetSSID("Office Net"); }, [](auto& d) { return d.GetSSID(); },
       "Office Net"},
      {"channel", [](auto& d) { d.SetWiFiChannel(11); },
       [](auto& d) { return Num(d.GetWiFiChannel()); }, "11"},
      {"ip-address", [](auto& d) { d.SetIpAddress("192.168.0.50"); },
       [](auto& d) { return d.GetIpAddress(); }, "192.168.0.50"},
  };
  return trips;
}

// The embedded road in both framing modes, the answers whole and in pieces of three bytes, each
// piece its own event: every mode and delivery must give the same results.
struct Framing {
  std::int32_t delayMs;
  std::size_t pieceSize;
};

class RoundTripTest : public ::testing::TestWithParam<Framing> {
 protected:
  struct Road : SimulatorRoad {
    Road(const Framing& framing, std::optional<std::string> password = {})
        : SimulatorRoad(RoadKind::Embedded, std::move(password)) {
      device->SetFramingDelay(framing.delayMs);
      DeliveryPlan plan;
      plan.pieceSize = framing.pieceSize;
      SetDelivery(plan);
    }
  };
};

TEST_P(RoundTripTest, SettersAreReadBackByTheirGetters) {
  Road road(GetParam());
  for (const auto& trip : RoundTrips()) {
    SCOPED_TRACE(trip.name);
    trip.set(*road.device);
    EXPECT_EQ(trip.get(*road.device), trip.expected);
  }
}

TEST_P(RoundTripTest, ReportsParseTheSimulatorsScreens) {
  Road road(GetParam());
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

TEST_P(RoundTripTest, ResetKeepsSavedValuesAndDropsUnsavedOnes) {
  Road road(GetParam());
  road.device->SetSSID("Saved");
  road.device->SaveSettings();
  road.device->SetSSID("Unsaved");
  road.device->SetWiFiChannel(1);
  road.device->ResetPrintServer();
  EXPECT_EQ(road.device->GetSSID(), "Saved");
  EXPECT_EQ(road.device->GetWiFiChannel(), 6);
}

// Logoff ends the shell session; the next command starts a new one, read-only again.
TEST_P(RoundTripTest, LoginLeavesTheReadOnlyStateOnlyWithTheRightPasswordAndLogoffReturnsToIt) {
  Road road(GetParam(), "secret");
  EXPECT_TRUE(road.device->IsReadOnlyMode());
  EXPECT_EQ(testing::CatchError([&] { road.device->SetSSID("x"); }).Number(), 9998);
  road.device->Login("wrong");
  EXPECT_TRUE(road.device->IsReadOnlyMode());
  road.device->Login("secret");
  EXPECT_FALSE(road.device->IsReadOnlyMode());
  road.device->SetSSID("Changed");
  EXPECT_EQ(road.device->GetSSID(), "Changed");
  road.device->Logoff();
  EXPECT_TRUE(road.device->IsReadOnlyMode());
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
  SimulatorRoad road(RoadKind::Telnet);
  const auto cpuBefore = testing::ProcessCpuTime();
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 50; ++i) EXPECT_EQ(road.device->GetSSID(), "PrintNet");
  const auto wall = std::chrono::steady_clock::now() - start;
  const double share = std::chrono::duration<double>(testing::ProcessCpuTime() - cpuBefore) / wall;
  EXPECT_LT(share, 0.05) << "CPU " << share * 100 << "% of wall time";
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

}  // namespace
}  // namespace pelmora
