#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "pelmora/device/Enumerations.h"
#include "pelmora/device/ReplyReading.h"
#include "pelmora/protocol/CommandRoad.h"

namespace pelmora {

// The print server's settings as getters and setters: radio, wireless security and IP. Each
// member is one fixed dialogue over the command road (usually a wake-up line, then one command
// line) and keeps no state. Setters accept any integer; what they do with non-members is theirs.
class PrintServerSettings {
 public:
  explicit PrintServerSettings(CommandRoad& road) : road_(road) {}

  WepKeyNumber GetActiveKey();
  WiFiMode GetMode();
  void SetMode(std::int32_t mode);
  APDensity GetAPDensity();
  void SetAPDensity(std::int32_t density);
  void SetEncryption(std::int32_t encryption);
  WiFiEncryption GetEncryption();
  void SetBSSID(const std::string& bssid);
  std::string GetBSSID();
  AuthProtocol GetAuthProtocol();
  void SetAuthProtocol(std::int32_t protocol);
  std::string GetCommonName();
  void SetCommonName(const std::string& commonName);
  std::string GetCommonName2();
  void SetCommonName2(const std::string& commonName);
  std::int32_t GetExponent();
  void SetExponent(std::int32_t exponent);
  std::string GetRootKey();
  void SetRootKey(const std::string& rootKey);
  std::string GetUser();
  void SetUser(const std::string& user);
  void SetPassword(const std::string& password);
  std::string GetRealm();
  void SetRealm(const std::string& realm);
  void SetWepKey(std::int32_t keyNumber, const std::string& keyValue);
  void SetActiveKey(std::int32_t keyNumber);
  AuthenticationType GetAuthenticationType();
  void SetAuthenticationType(std::int32_t authType);
  IPAssignmentMethod GetIPAssignmentMethod();
  void SetIpAssignmentMethod(std::int32_t method);
  std::string GetIpAddress();
  void SetIpAddress(const std::string& ip);
  std::string GetSubnetAddress();
  void SetSubnetAddress(const std::string& subnet);
  std::string GetDefaultRouterAddress();
  void SetDefaultRouterAddress(const std::string& DefaultRouter);
  std::string GetSSID();
  void SetSSID(const std::string& ssid);
  WiFiChannel GetWiFiChannel();
  void SetWiFiChannel(std::int32_t channel);
  std::string GetPSK();
  void SetPSK(const std::string& psk);
  std::int32_t GetDiscardedMessagesCount();
  std::int32_t GetRTSTreshold();
  void SetRTSTreshold(std::int32_t rtsTreshold);

 protected:
  static bool IsValidIpAddress(const std::string& text, bool allow255) {
    return ReplyReading::IsValidIpAddress(text, allow255);
  }

  // A line break in a value would end the command line early and let the rest of the value run
  // as further shell lines: refused with 9999 and the member's name, before anything is sent.
  static void RefuseLineBreak(const char* member, const std::string& value);

 private:
  enum class WakeUp : bool { No, Yes };
  using CodedText = ReplyReading::CodedText;

  // --- getter pattern: wake-up, command line, reading rule, own check ---
  std::string AskKeyed(std::string_view command, std::string_view key);
  std::string AskFirstLine(std::string_view command);
  std::int32_t AskClassified(std::string_view command, std::span<const CodedText> meanings,
                             const char* member, const char* description);
  std::string AskAddress(std::string_view command, bool allow255, const char* member);

  // --- setter pattern: check, wake-up, command line ---
  // Sends the wake-up line if asked, then the command text, the argument and a carriage return;
  // returns the reply to the command line.
  std::string Send(WakeUp wakeUp, std::string_view command, std::string_view argument = {});
  void SendText(const char* member, WakeUp wakeUp, std::string_view command,
                const std::string& value);
  void SendNumber(WakeUp wakeUp, std::string_view command, std::int32_t value);
  void SendChoiceOrBare(WakeUp wakeUp, std::span<const CodedText> commands, std::int32_t value);
  void SendChoiceOrRefuse(const char* member, const char* description,
                          std::span<const CodedText> commands, std::int32_t value);
  void SendAddress(const char* member, std::string_view command, const std::string& address,
                   bool allow255);

  CommandRoad& road_;
};

}  // namespace pelmora
