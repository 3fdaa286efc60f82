// Two oracles for the three report parsers. Screens that the simulated print server shows for
// settings drawn from the input must parse back to exactly those settings. And any text, straight
// into the IP and wireless parsers and through the retrieval procedure as a device's answer, ends
// in a parse's documented error or in a report that renders.
#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "pelmora/platform/ErrorNumbers.h"
#include "pelmora/protocol/CommandRoad.h"
#include "pelmora/reports/IPInfo.h"
#include "pelmora/reports/ReportRetrieval.h"
#include "pelmora/reports/VersionInfo.h"
#include "pelmora/reports/WirelessInfo.h"
#include "pelmora/simulator/PrintServerState.h"
#include "pelmora/simulator/ShellCommandSet.h"

namespace {

using namespace pelmora;

// Answers the wake-up line with nothing and every screen command with the same text.
class ScreenRoad : public CommandRoad {
 public:
  explicit ScreenRoad(std::string screen) : screen_(std::move(screen)) {}
  std::string RunCommand(const std::string& line) override {
    fuzz::Require(!line.empty() && line.back() == '\r', "a screen command without its CR");
    return line == "\r" ? std::string{} : screen_;
  }

 private:
  std::string screen_;
};

void ParseIp(const std::string& text) {
  IPInfo report;
  try {
    report.Parse(text);
  } catch (const AutomationError& error) {
    fuzz::RequireNumber(error, {errors::kInvalidArgument}, "IPInfo.Parse");
    return;
  }
  report.ToString();
}

void ParseWireless(const std::string& text) {
  WirelessInfo report;
  try {
    report.Parse(text);
  } catch (const AutomationError& error) {
    fuzz::RequireNumber(error, {errors::kInvalidArgument}, "WirelessInfo.Parse");
    // A failed parse leaves the object unparsed: its values refuse to be read.
    try {
      report.ToString();
      fuzz::Fail("an unparsed wireless report rendered");
    } catch (const AutomationError& refusal) {
      fuzz::RequireNumber(refusal, {errors::kLibraryError}, "WirelessInfo.ToString");
    }
    return;
  }
  report.ToString();
}

void Retrieve(const std::string& screen) {
  ScreenRoad road(screen);
  try {
    ReportRetrieval::GetVersion(road)->ToString();
  } catch (const AutomationError& error) {
    fuzz::RequireNumber(error, {errors::kSubscriptOutOfRange}, "GetVersion");
  }
  try {
    ReportRetrieval::GetIPInfo(road)->ToString();
  } catch (const AutomationError& error) {
    fuzz::RequireNumber(error, {errors::kInvalidArgument}, "GetIPInfo");
  }
  try {
    ReportRetrieval::GetWirelessInfo(road)->ToString();
  } catch (const AutomationError& error) {
    fuzz::RequireNumber(error, {errors::kInvalidArgument}, "GetWirelessInfo");
  }
  // A normalised screen has CR as its only line break.
  fuzz::Require(ReportRetrieval::NormalizeScreen(screen).find('\n') == std::string::npos,
                "a normalised screen kept a line feed");
}

// The simulated device's screens: what its shell lists for the command, as the command road
// returns an answer (lines joined by CR LF).
class SimulatorRoad : public CommandRoad {
 public:
  explicit SimulatorRoad(PrintServerState& device) : device_(device) {}
  std::string RunCommand(const std::string& line) override {
    std::string answer;
    for (const auto& screenLine :
         ShellCommandSet::Run(device_, line.substr(0, line.size() - 1), false).lines) {
      answer += (answer.empty() ? "" : "\r\n") + screenLine;
    }
    return answer;
  }

 private:
  PrintServerState& device_;
};

// Text that forms none of the screens' keys (they all hold a lower-case letter or a blank).
std::string Token(FuzzedDataProvider& input) {
  static constexpr std::string_view kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.-:";
  std::string token;
  for (auto n = input.ConsumeIntegralInRange(1, 12); n > 0; --n) {
    token += kAlphabet[input.ConsumeIntegralInRange<std::size_t>(0, kAlphabet.size() - 1)];
  }
  return token;
}

std::string Address(FuzzedDataProvider& input) {
  std::string address;
  for (int part = 0; part < 4; ++part) {
    address += (part > 0 ? "." : "") + std::to_string(input.ConsumeIntegral<std::uint8_t>());
  }
  return address;
}

template <typename T, std::size_t N>
const T& OneOf(FuzzedDataProvider& input, const std::array<T, N>& choices) {
  return choices[input.ConsumeIntegralInRange<std::size_t>(0, N - 1)];
}

struct IpMethod {
  const char* word;
  std::int32_t bootMethod;
  std::int32_t actual;  // the annotation's code; AUTO has none
};
constexpr std::array<IpMethod, 5> kIpMethods{{
    {"STATIC", Static, Static},
    {"DHCP", Dhcp, Dhcp},
    {"BOOTP", Bootp, Bootp},
    {"RARP", Rarp, Rarp},
    {"AUTO", Auto, 0},
}};

struct Encryption {
  const char* word;
  std::int32_t shown;  // the wireless report knows WEP only: WPA shows as disabled
};
constexpr std::array<Encryption, 6> kEncryptions{{
    {"DISABLE", Disabled},
    {"TKIP", Disabled},
    {"WPA2", Disabled},
    {"64", Wep64},
    {"128", Wep128},
    {"DYNAMIC", DynamicWep},
}};

struct EapState {
  std::string text;
  std::int32_t code;
};

void ScreensParseBackToTheirSettings(FuzzedDataProvider& input) {
  PrintServerState device;
  auto& fixed = device.Fixed();
  fixed.productName = Token(input);
  fixed.firmwareVersion = Token(input);
  fixed.bootVersion = Token(input);
  fixed.regulatoryDomain = Token(input);
  fixed.radioFirmware = Token(input);
  fixed.apMacAddress = Token(input);
  auto& settings = device.Running();
  const IpMethod& method = OneOf(input, kIpMethods);
  settings.ipMethod = method.word;
  settings.ipAddress = Address(input);
  settings.subnetMask = Address(input);
  settings.router = Address(input);
  const auto status =
      static_cast<PrintServerState::AddressStatus>(input.ConsumeIntegralInRange(0, 2));
  device.SetAddress(status);
  const Encryption& encryption = OneOf(input, kEncryptions);
  settings.encryption = encryption.word;
  std::array<bool, 4> keySet{};
  for (std::size_t slot = 0; slot < 4; ++slot) {
    keySet[slot] = input.ConsumeBool();
    settings.wepKeys[slot] = keySet[slot] ? std::string(input.ConsumeBool() ? 10 : 26, 'A') : "";
  }
  const std::array<EapState, 5> eapStates{{{"Authenticated", Authenticated},
                                           {"Connecting", Connecting},
                                           {"", EAPStateEmpty},
                                           {"connecting", EAPStateUnrecognized},
                                           {Token(input), EAPStateUnrecognized}}};
  const EapState& eap = OneOf(input, eapStates);
  device.SetEapState(eap.text);

  SimulatorRoad road(device);
  const auto version = ReportRetrieval::GetVersion(road);
  fuzz::Require(version->ProductName() == fixed.productName &&
                    version->FirmwareVersion() == fixed.firmwareVersion &&
                    version->BootVersion() == fixed.bootVersion,
                "the version screen parsed to other values");

  const auto ip = ReportRetrieval::GetIPInfo(road);
  using Status = PrintServerState::AddressStatus;
  const bool searching = status == Status::Searching;
  const std::string address = searching ? "0.0.0.0"
                              : status == Status::Duplicate
                                  ? settings.ipAddress + " (duplicate address!)"
                                  : settings.ipAddress;
  fuzz::Require(ip->IPAddress() == address, "the IP report read another address");
  fuzz::Require(ip->SubnetMask() == (searching ? "0.0.0.0" : settings.subnetMask) &&
                    ip->DefaultRouter() == (searching ? "0.0.0.0" : settings.router),
                "the IP report read another mask or router");
  fuzz::Require(ip->BootMethod() == method.bootMethod, "the IP report read another method");
  fuzz::Require(ip->ActualIPAssignment() == (searching ? 0 : method.actual),
                "the IP report read another actual assignment");

  const auto wireless = ReportRetrieval::GetWirelessInfo(road);
  fuzz::Require(wireless->RegulatoryDomain() == fixed.regulatoryDomain &&
                    wireless->WiFiFWVersion() == fixed.radioFirmware &&
                    wireless->APMacAddress() == fixed.apMacAddress,
                "the wireless report read other fixed values");
  fuzz::Require(wireless->WepEncryption() == encryption.shown,
                "the wireless report read another encryption");
  const bool wep = encryption.shown == Wep64 || encryption.shown == Wep128;
  const std::array<bool, 4> flags{wireless->WepKey1Set(), wireless->WepKey2Set(),
                                  wireless->WepKey3Set(), wireless->WepKey4Set()};
  fuzz::Require(flags == (wep ? keySet : std::array<bool, 4>{}),
                "the wireless report read other key flags");
  fuzz::Require(wireless->EAPState() == eap.code, "the wireless report read another EAP state");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 0 && data[0] % 2 == 0) {
    FuzzedDataProvider input(data + 1, size - 1);
    ScreensParseBackToTheirSettings(input);
    return 0;
  }
  const std::string text(reinterpret_cast<const char*>(data), size);
  ParseIp(text);
  ParseWireless(text);
  Retrieve(text);
  return 0;
}
