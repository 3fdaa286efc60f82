#include "pelmora/simulator/ParserNegatives.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace pelmora {

namespace {

using Lines = ShellFaults::AnswerLines;

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  });
  return text;
}

Lines Without(Lines lines, std::string_view prefix) {
  std::erase_if(lines, [&](const std::string& line) { return line.starts_with(prefix); });
  return lines;
}

Lines Wep64WithoutKey3(const PrintServerState& device) {
  PrintServerState wep64 = device;
  wep64.Running().encryption = "64";
  return Without(wep64.WirelessScreen(), "WEP Key #3:");
}

Lines ShortVersion(const PrintServerState& device) {
  Lines screen = device.VersionScreen();
  screen.resize(2);
  return screen;
}

}  // namespace

std::vector<ParserNegatives::Case> ParserNegatives::All() {
  return {Case::ShortVersionScreen,
          Case::IpScreenWithoutSubnetMask,
          Case::IpScreenEndingInBootMethod,
          Case::Wep64ScreenWithoutKey3,
          Case::AuthenticationInLowerCase,
          Case::IpMethodInLowerCase,
          Case::LabelledIpAddress,
          Case::RtsOff,
          Case::Channel13,
          Case::TwoLineMode,
          Case::EmptyExponent};
}

ShellFaults::AnswerOverrides::value_type ParserNegatives::Make(Case which,
                                                               const PrintServerState& device) {
  const ShellSettings& settings = device.Running();
  switch (which) {
    case Case::ShortVersionScreen:
      return {"SH VERSION", ShortVersion(device)};
    case Case::IpScreenWithoutSubnetMask:
      return {"SH IP", Without(device.IpScreen(), "Subnet Mask")};
    case Case::IpScreenEndingInBootMethod:
      return {"SH IP", Without(device.IpScreen(), "Host Name")};
    case Case::Wep64ScreenWithoutKey3:
      return {"SH NW", Wep64WithoutKey3(device)};
    case Case::AuthenticationInLowerCase:
      return {"SH NW AUTH", {Lower(device.AuthenticationLine())}};
    case Case::IpMethodInLowerCase:
      return {"SH IP ME", {Lower(settings.ipMethod)}};
    case Case::LabelledIpAddress:
      return {"SH IP AD", {"IP Address: " + settings.ipAddress}};
    case Case::RtsOff:
      return {"SH NW RTS", {"WiFi RTS Threshold = off"}};
    case Case::Channel13:
      return {"SH NW CH", {"Channel: 13"}};
    case Case::TwoLineMode:
      return {"SH NW MO", {device.ModeLine(), "Radio is on"}};
    case Case::EmptyExponent:
      return {"SH NW CERTEXP", {""}};
  }
  return {};
}

void ParserNegatives::Apply(Case which, const PrintServerState& device, ShellFaults& faults) {
  auto entry = Make(which, device);
  faults.answerOverrides.insert_or_assign(entry.first, std::move(entry.second));
}

}  // namespace pelmora
