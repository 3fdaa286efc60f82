#include "pelmora/device/PrintServerSettings.h"

#include <algorithm>

#include "pelmora/platform/AutomationError.h"
#include "pelmora/platform/ErrorNumbers.h"

namespace pelmora {

namespace {

using CodedText = ReplyReading::CodedText;

constexpr char kLineEnd = '\r';
// What SetWepKey stores when it is given no key value.
constexpr std::string_view kPlaceholderKey = "5D2A0C7E91";
// The source prefix that the checked choice setters put on errors of their dialogue.
constexpr std::string_view kChoiceErrorPrefix = "SetAuthenticationType: ";

constexpr CodedText kModeTexts[] = {{"infrastructure", Infrastructure}, {"ad-hoc (802.11)", AdHoc}};
// The mode lines end in a second carriage return of their own.
constexpr CodedText kModeCommands[] = {{"SET NW MO INFRA\r", Infrastructure},
                                       {"SET NW MO AD_HOC\r", AdHoc}};

constexpr CodedText kDensityTexts[] = {{"low", Low}, {"medium", Medium}, {"high", High}};
constexpr CodedText kDensityCommands[] = {
    {"SET NW APDEN LOW", Low}, {"SET NW APDEN MEDIUM", Medium}, {"SET NW APDEN HIGH", High}};

constexpr CodedText kEncryptionTexts[] = {
    {"disabled", Disabled}, {"wep 64 bit encryption", Wep64}, {"wep 128 bit encryption", Wep128},
    {"tkip", Tkip},         {"dynamic wep", DynamicWep},      {"wpa2", Wpa2}};
constexpr CodedText kEncryptionCommands[] = {{"SET NW ENC DISABLE", Disabled},
                                             {"SET NW ENC TKIP", Tkip},
                                             {"SET NW ENC WPA2", Wpa2},
                                             {"SET NW ENC 64", Wep64},
                                             {"SET NW ENC 128", Wep128}};

// Searched in this order with exact letter case: the first text found anywhere decides.
constexpr CodedText kAuthenticationClasses[] = {
    {"Authentication type= SHARED KEY", SharedKey},
    {"Authentication type= OPEN SYSTEM", OpenSystem},
    {"Authentication type= LEAP", OpenSystem | Leap},
    {"Authentication type= PEAP", OpenSystem | Peap},
    {"Authentication type= TTLS", OpenSystem | Ttls},
    {"Authentication type= PSK", OpenSystem | Psk},
    {"Authentication type= WPA-TTLS", OpenSystem | Ttls},
    {"Authentication type= WPA-LEAP", OpenSystem | Leap},
    {"Authentication type= WPA-PEAP", OpenSystem | Peap}};
constexpr CodedText kAuthenticationCommands[] = {
    {"SET NW AUTH OPEN", OpenSystem}, {"SET NW AUTH SHARED", SharedKey},
    {"SET NW AUTH TTLS", Ttls},       {"SET NW AUTH LEAP", Leap},
    {"SET NW AUTH PSK", Psk},         {"SET NW AUTH PEAP", Peap}};

constexpr CodedText kProtocolTexts[] = {{"pap", Pap}, {"mschap_v2", MsChapV2}};
constexpr CodedText kProtocolCommands[] = {{"SET NW INAP PAP", Pap},
                                           {"SET NW INAP MSCHAP_V2", MsChapV2}};

constexpr CodedText kMethodClasses[] = {
    {"AUTO", Auto}, {"DHCP", Dhcp}, {"RARP", Rarp}, {"BOOTP", Bootp}, {"STATIC", Static}};
constexpr CodedText kMethodCommands[] = {{"SET IP ME STATIC", Static},
                                         {"SET IP ME DHCP", Dhcp},
                                         {"SET IP ME BOOTP", Bootp},
                                         {"SET IP ME RARP", Rarp},
                                         {"SET IP ME AUTO", Auto}};

const CodedText* FindCode(std::span<const CodedText> table, std::int32_t code) {
  const auto found = std::find_if(table.begin(), table.end(),
                                  [code](const CodedText& entry) { return entry.code == code; });
  return found == table.end() ? nullptr : &*found;
}

[[noreturn]] void RaiseOwnError(const char* member, const char* description) {
  throw AutomationError(errors::kLibraryError, member, description);
}

}  // namespace

void PrintServerSettings::RefuseLineBreak(const char* member, const std::string& value) {
  if (value.find_first_of("\r\n") != std::string::npos) {
    RaiseOwnError(member, "Invalid argument: line break in value");
  }
}

// ---------------------------------------------------------------------------------------------
// Radio

WiFiMode PrintServerSettings::GetMode() {
  return WiFiMode(ReplyReading::Enumerated(AskKeyed("SH NW MO", "Wifi mode ="), kModeTexts));
}

void PrintServerSettings::SetMode(std::int32_t mode) {
  SendChoiceOrBare(WakeUp::Yes, kModeCommands, mode);
}

APDensity PrintServerSettings::GetAPDensity() {
  const std::string value = AskKeyed("SH NW APDEN", "AP density =");
  return APDensity(ReplyReading::Enumerated(value, kDensityTexts));
}

void PrintServerSettings::SetAPDensity(std::int32_t density) {
  SendChoiceOrRefuse("SetAPDensity", "Invalid Authentication type", kDensityCommands, density);
}

std::string PrintServerSettings::GetBSSID() {
  const std::string value = AskKeyed("SH NW BSSID", "Wifi BSSID:");
  return ReplyReading::LowerCase(value) == "none" ? std::string{} : value;
}

void PrintServerSettings::SetBSSID(const std::string& bssid) {
  SendText("SetBSSID", WakeUp::No, "SET NW BSSID ", bssid);
}

std::string PrintServerSettings::GetSSID() {
  return AskKeyed("SH NW SSID", "WiFi SSID:");
}

void PrintServerSettings::SetSSID(const std::string& ssid) {
  SendText("SetSSID", WakeUp::Yes, "SET NW SSID ", ssid);
}

WiFiChannel PrintServerSettings::GetWiFiChannel() {
  return WiFiChannel(ReplyReading::LeadingWithin(AskKeyed("SH NW CH", "Channel:"), 1, 11));
}

void PrintServerSettings::SetWiFiChannel(std::int32_t channel) {
  SendNumber(WakeUp::Yes, "SET NW CH ", channel);
}

std::int32_t PrintServerSettings::GetDiscardedMessagesCount() {
  const std::string value = AskKeyed("SH NW STATS", "RX Discards WEP undecr:");
  return ReplyReading::LeadingWhole(value, "GetDiscardedMessagesCount");
}

std::int32_t PrintServerSettings::GetRTSTreshold() {
  const std::string value = AskKeyed("SH NW RTS", "WiFi RTS Threshold =");
  return ReplyReading::StrictWithin(value, 1, 3000, "GetRTSTreshold");
}

void PrintServerSettings::SetRTSTreshold(std::int32_t rtsTreshold) {
  SendNumber(WakeUp::Yes, "SET NW RTS ", rtsTreshold);
}

// ---------------------------------------------------------------------------------------------
// Wireless security

WiFiEncryption PrintServerSettings::GetEncryption() {
  const std::string value = AskKeyed("SH NW WEP", "WiFi encryption is");
  return WiFiEncryption(ReplyReading::Enumerated(value, kEncryptionTexts));
}

void PrintServerSettings::SetEncryption(std::int32_t encryption) {
  SendChoiceOrBare(WakeUp::No, kEncryptionCommands, encryption);
}

void PrintServerSettings::SetWepKey(std::int32_t keyNumber, const std::string& keyValue) {
  RefuseLineBreak("SetWepKey", keyValue);
  // Two dialogues: the road's owner must outlive the first for the second.
  const auto held = road_.KeepAlive();
  SetActiveKey(keyNumber);
  Send(WakeUp::No, "SET NW KEYVAL ", keyValue.empty() ? kPlaceholderKey : keyValue);
}

WepKeyNumber PrintServerSettings::GetActiveKey() {
  return WepKeyNumber(ReplyReading::LeadingOneOf(AskKeyed("SH NW KEY#", "WEP Key #"), 1, 4));
}

void PrintServerSettings::SetActiveKey(std::int32_t keyNumber) {
  SendNumber(WakeUp::Yes, "SET NW KEY# ", keyNumber);
}

AuthenticationType PrintServerSettings::GetAuthenticationType() {
  return AuthenticationType(AskClassified("SH NW AUTH", kAuthenticationClasses,
                                          "GetAuthenticationType", "Invalid authentication type"));
}

void PrintServerSettings::SetAuthenticationType(std::int32_t authType) {
  SendChoiceOrRefuse("SetAuthenticationType", "Invalid Authentication type",
                     kAuthenticationCommands, authType);
}

AuthProtocol PrintServerSettings::GetAuthProtocol() {
  const std::string value = AskKeyed("SH NW INAP", "Authentication protocol =");
  return AuthProtocol(ReplyReading::Enumerated(value, kProtocolTexts));
}

void PrintServerSettings::SetAuthProtocol(std::int32_t protocol) {
  SendChoiceOrBare(WakeUp::No, kProtocolCommands, protocol);
}

std::string PrintServerSettings::GetCommonName() {
  return AskFirstLine("SH NW CERTCN");
}

void PrintServerSettings::SetCommonName(const std::string& commonName) {
  SendText("SetCommonName", WakeUp::No, "SET NW CERTCN ", commonName);
}

std::string PrintServerSettings::GetCommonName2() {
  return AskFirstLine("SH NW CERTCN2");
}

void PrintServerSettings::SetCommonName2(const std::string& commonName) {
  SendText("SetCommonName2", WakeUp::No, "SET NW CERTCN2 ", commonName);
}

std::int32_t PrintServerSettings::GetExponent() {
  const std::string number =
      ReplyReading::BeforeRemark(AskFirstLine("SH NW CERTEXP"), "GetExponent");
  return ReplyReading::StrictWhole(number, "GetExponent");
}

void PrintServerSettings::SetExponent(std::int32_t exponent) {
  SendNumber(WakeUp::No, "SET NW CERTEXP ", exponent);
}

std::string PrintServerSettings::GetRootKey() {
  return AskFirstLine("SH NW CERTKEY");
}

// The key follows the shell's "\x" marker without a blank.
void PrintServerSettings::SetRootKey(const std::string& rootKey) {
  SendText("SetRootKey", WakeUp::Yes, "SET NW CERTKEY \\x", rootKey);
}

std::string PrintServerSettings::GetUser() {
  return AskFirstLine("SH NW ID");
}

void PrintServerSettings::SetUser(const std::string& user) {
  SendText("SetUser", WakeUp::No, "SET NW ID ", user);
}

void PrintServerSettings::SetPassword(const std::string& password) {
  SendText("SetPassword", WakeUp::No, "SET NW PW ", password);
}

std::string PrintServerSettings::GetRealm() {
  return AskFirstLine("SH NW REALM");
}

void PrintServerSettings::SetRealm(const std::string& realm) {
  SendText("SetRealm", WakeUp::No, "SET NW REALM ", realm);
}

// The shell has no way to show the key, so nothing is asked.
std::string PrintServerSettings::GetPSK() {
  return {};
}

void PrintServerSettings::SetPSK(const std::string& psk) {
  SendText("SetPSK", WakeUp::Yes, "SET NW WPAPSK ", psk);
}

// ---------------------------------------------------------------------------------------------
// IP

IPAssignmentMethod PrintServerSettings::GetIPAssignmentMethod() {
  return IPAssignmentMethod(AskClassified("SH IP ME", kMethodClasses, "GetIPAssignmentMethod",
                                          "Non-recognized assignment method."));
}

void PrintServerSettings::SetIpAssignmentMethod(std::int32_t method) {
  SendChoiceOrRefuse("SetIpAssignmentMethod", "Invalid Ip Assignment Method", kMethodCommands,
                     method);
}

std::string PrintServerSettings::GetIpAddress() {
  return AskAddress("SH IP AD", false, "GetIpAddress");
}

void PrintServerSettings::SetIpAddress(const std::string& ip) {
  SendAddress("SetIpAddress", "SET IP AD ", ip, false);
}

// A failed check reports under the address getter's name, as clients have always seen it.
std::string PrintServerSettings::GetSubnetAddress() {
  return AskAddress("SH IP SU", true, "GetIpAddress");
}

void PrintServerSettings::SetSubnetAddress(const std::string& subnet) {
  SendAddress("SetSubnetAddress", "SET IP SU ", subnet, true);
}

std::string PrintServerSettings::GetDefaultRouterAddress() {
  return AskAddress("SH IP RO", false, "GetDefaultRouterAddress");
}

void PrintServerSettings::SetDefaultRouterAddress(const std::string& DefaultRouter) {
  SendAddress("SetDefaultRouterAddress", "SET IP RO ", DefaultRouter, false);
}

// ---------------------------------------------------------------------------------------------
// The getter pattern

std::string PrintServerSettings::AskKeyed(std::string_view command, std::string_view key) {
  return ReplyReading::Keyed(Send(WakeUp::Yes, command), key);
}

std::string PrintServerSettings::AskFirstLine(std::string_view command) {
  return ReplyReading::FirstLine(Send(WakeUp::Yes, command));
}

std::int32_t PrintServerSettings::AskClassified(std::string_view command,
                                                std::span<const CodedText> classes,
                                                const char* member, const char* description) {
  const auto code = ReplyReading::Classified(Send(WakeUp::Yes, command), classes);
  if (!code) RaiseOwnError(member, description);
  return *code;
}

std::string PrintServerSettings::AskAddress(std::string_view command, bool allow255,
                                            const char* member) {
  std::string address = ReplyReading::WholeReply(Send(WakeUp::Yes, command));
  if (!IsValidIpAddress(address, allow255)) RaiseOwnError(member, "Not a valid Ip Address");
  return address;
}

// ---------------------------------------------------------------------------------------------
// The setter pattern

std::string PrintServerSettings::Send(WakeUp wakeUp, std::string_view command,
                                      std::string_view argument) {
  // Every member's dialogue (the wake-up and the command line) runs in here; what a member does
  // after it touches only the reply. The owner of the road lives until both lines are through.
  const auto held = road_.KeepAlive();
  if (wakeUp == WakeUp::Yes) road_.RunCommand(std::string(1, kLineEnd));
  std::string line;
  line.reserve(command.size() + argument.size() + 1);
  line.append(command).append(argument).push_back(kLineEnd);
  return road_.RunCommand(line);
}

void PrintServerSettings::SendText(const char* member, WakeUp wakeUp, std::string_view command,
                                   const std::string& value) {
  RefuseLineBreak(member, value);
  Send(wakeUp, command, value);
}

void PrintServerSettings::SendNumber(WakeUp wakeUp, std::string_view command, std::int32_t value) {
  Send(wakeUp, command, std::to_string(value));
}

// A value without a command line of its own sends a bare line: the shell ignores it.
void PrintServerSettings::SendChoiceOrBare(WakeUp wakeUp, std::span<const CodedText> commands,
                                           std::int32_t value) {
  const CodedText* choice = FindCode(commands, value);
  Send(wakeUp, choice ? choice->text : std::string_view{});
}

void PrintServerSettings::SendChoiceOrRefuse(const char* member, const char* description,
                                             std::span<const CodedText> commands,
                                             std::int32_t value) {
  const CodedText* choice = FindCode(commands, value);
  if (!choice) RaiseOwnError(member, description);
  try {
    Send(WakeUp::Yes, choice->text);
  } catch (const AutomationError& error) {
    throw AutomationError(error.Number(), std::string(kChoiceErrorPrefix) + error.Source(),
                          error.Description(), error.HelpFile(), error.HelpContext());
  }
}

void PrintServerSettings::SendAddress(const char* member, std::string_view command,
                                      const std::string& address, bool allow255) {
  if (!IsValidIpAddress(address, allow255)) RaiseOwnError(member, "Invalid Ip address");
  Send(WakeUp::Yes, command, address);
}

}  // namespace pelmora
