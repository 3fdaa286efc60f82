#include "pelmora/simulator/ParserNegatives.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "simulator/ShellHarness.h"

namespace pelmora {
namespace {

using Case = ParserNegatives::Case;

struct Negative {
  Case which;
  std::string sent;
  std::string expected;
};

const std::string kIpAddressLine = "IP Address 10.1.2.3 (via DHCP server 10.1.2.1)\r\n";

TEST(ParserNegativesTest, EachCaseAnswersWithItsFlaw) {
  const std::vector<Negative> negatives = {
      {Case::ShortVersionScreen, "SH VERSION\r",
       "SH VERSION\r\nPelmora T2 Wireless Print Server\r\n6.02 (2006-03-14)\r\nLocal> "},
      {Case::IpScreenWithoutSubnetMask, "SH IP\r",
       "SH IP\r\n" + kIpAddressLine +
           "IP Gateway 10.1.2.1\r\nBoot Method DHCP\r\nHost Name PS-0A1B2C\r\nLocal> "},
      {Case::IpScreenEndingInBootMethod, "SH IP\r",
       "SH IP\r\n" + kIpAddressLine +
           "Subnet Mask 255.255.255.0\r\nIP Gateway 10.1.2.1\r\nBoot Method DHCP\r\nLocal> "},
      {Case::Wep64ScreenWithoutKey3, "SH NW\r",
       "SH NW\r\nWiFi SSID: PrintNet\r\nWifi mode = Infrastructure\r\nChannel: 6\r\n"
       "Regulatory Domain = FCC\r\nWiFi FW Ver = 1.7.4\r\n"
       "WiFi Encryption is WEP 64 bit encryption\r\nWEP Key #1: \r\nWEP Key #2: \r\n"
       "WEP Key #4: \r\nAP MAC Address = 00:11:22:33:44:55\r\nEAP state is Authenticated\r\n"
       "Local> "},
      {Case::AuthenticationInLowerCase, "SH NW AUTH\r",
       "SH NW AUTH\r\nauthentication type= open system\r\nLocal> "},
      {Case::IpMethodInLowerCase, "SH IP ME\r", "SH IP ME\r\ndhcp\r\nLocal> "},
      {Case::LabelledIpAddress, "SH IP AD\r", "SH IP AD\r\nIP Address: 10.1.2.3\r\nLocal> "},
      {Case::RtsOff, "SH NW RTS\r", "SH NW RTS\r\nWiFi RTS Threshold = off\r\nLocal> "},
      {Case::Channel13, "SH NW CH\r", "SH NW CH\r\nChannel: 13\r\nLocal> "},
      {Case::TwoLineMode, "SH NW MO\r",
       "SH NW MO\r\nWifi mode = Infrastructure\r\nRadio is on\r\nLocal> "},
      {Case::EmptyExponent, "SH NW CERTEXP\r", "SH NW CERTEXP\r\n\r\nLocal> "},
  };
  // Each flaw is an answer override: the device itself stays as it was, and lifting the
  // overrides gives the shell's own answer back.
  std::set<Case> covered;
  for (const Negative& negative : negatives) {
    test::ShellHarness shell;
    ParserNegatives::Apply(negative.which, *shell.device, shell.engine.Faults());
    EXPECT_EQ(shell.Send(negative.sent), negative.expected) << negative.sent;
    EXPECT_EQ(shell.device->Running(), PrintServerState().Running()) << negative.sent;
    shell.engine.Faults().answerOverrides.clear();
    EXPECT_NE(shell.Send(negative.sent), negative.expected) << negative.sent;
    covered.insert(negative.which);
  }
  const auto all = ParserNegatives::All();
  EXPECT_EQ(covered, std::set<Case>(all.begin(), all.end()));
}

}  // namespace
}  // namespace pelmora
