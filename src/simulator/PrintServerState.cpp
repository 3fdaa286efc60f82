#include "pelmora/simulator/PrintServerState.h"

#include <utility>

#include "pelmora/simulator/SettingWords.h"
#include "pelmora/simulator/ShellText.h"

namespace pelmora {

namespace {

std::string Text(SettingWords::Table table, std::string_view word) {
  return std::string(SettingWords::Text(table, word));
}

// The annotation behind the address tells how the address was obtained.
std::string Annotation(const ShellSettings& settings) {
  if (settings.ipMethod == "STATIC") return " (set manually)";
  if (settings.ipMethod == "AUTO") return "";
  return " (via " + settings.ipMethod + " server " + settings.router + ")";
}

}  // namespace

PrintServerState::PrintServerState() : PrintServerState(std::make_shared<SavedConfiguration>()) {}

PrintServerState::PrintServerState(std::shared_ptr<SavedConfiguration> saved)
    : saved_(std::move(saved)), running_(saved_->Load()) {}

std::shared_ptr<PrintServerState> PrintServerState::NewSession() const {
  auto session = std::make_shared<PrintServerState>(saved_);
  session->fixed_ = fixed_;
  session->shellPassword_ = shellPassword_;
  session->eapState_ = eapState_;
  session->addressStatus_ = addressStatus_;
  session->restartDelay_ = restartDelay_;
  return session;
}

void PrintServerState::Save() {
  saved_->Store(running_);
}

void PrintServerState::Restore() {
  running_ = saved_->Load();
}

void PrintServerState::SetShellPassword(std::optional<std::string> password) {
  shellPassword_ = std::move(password);
}

bool PrintServerState::PasswordMatches(std::string_view candidate) const noexcept {
  return !shellPassword_ || *shellPassword_ == candidate;
}

void PrintServerState::SetEapState(std::string state) {
  eapState_ = std::move(state);
}

std::string PrintServerState::ModeLine() const {
  return "Wifi mode = " + Text(SettingWords::Mode(), running_.mode);
}

std::string PrintServerState::ApDensityLine() const {
  return "AP density = " + Text(SettingWords::ApDensity(), running_.apDensity);
}

std::string PrintServerState::BssidLine() const {
  return "Wifi BSSID: " + (running_.bssid.empty() ? std::string("none") : running_.bssid);
}

std::string PrintServerState::SsidLine() const {
  return "WiFi SSID: " + running_.ssid;
}

std::string PrintServerState::ChannelLine() const {
  return "Channel: " + std::to_string(running_.channel);
}

std::string PrintServerState::RtsLine() const {
  return "WiFi RTS Threshold = " + std::to_string(running_.rtsThreshold);
}

std::string PrintServerState::EncryptionLine() const {
  return "WiFi Encryption is " + Text(SettingWords::Encryption(), running_.encryption);
}

std::string PrintServerState::ActiveKeyLine() const {
  return "WEP Key # " + std::to_string(running_.activeKey);
}

std::string PrintServerState::AuthenticationLine() const {
  return "Authentication type= " + Text(SettingWords::Authentication(), running_.authentication);
}

std::string PrintServerState::AuthProtocolLine() const {
  return "Authentication protocol = " + Text(SettingWords::AuthProtocol(), running_.authProtocol);
}

std::string PrintServerState::ExponentLine() const {
  return std::to_string(running_.exponent) + " (0x" + ShellText::Hex(running_.exponent) + ")";
}

std::vector<std::string> PrintServerState::VersionScreen() const {
  return {fixed_.productName, fixed_.firmwareVersion, fixed_.bootVersion};
}

std::string PrintServerState::IpAddressLine() const {
  switch (addressStatus_) {
    case AddressStatus::Searching:
      return "IP Address 0.0.0.0 (searching...)";
    case AddressStatus::Duplicate:
      return "IP Address  # " + running_.ipAddress + Annotation(running_);
    case AddressStatus::Assigned:
      break;
  }
  return "IP Address " + running_.ipAddress + Annotation(running_);
}

// The host name line closes the screen, so the boot method is never its last line.
std::vector<std::string> PrintServerState::IpScreen() const {
  const bool searching = addressStatus_ == AddressStatus::Searching;
  return {IpAddressLine(),
          "Subnet Mask " + (searching ? std::string("0.0.0.0") : running_.subnetMask),
          "IP Gateway " + (searching ? std::string("0.0.0.0") : running_.router),
          "Boot Method " + running_.ipMethod, "Host Name " + fixed_.hostName};
}

std::string PrintServerState::WepKeyLine(int slot) const {
  const std::string& key = running_.wepKeys[static_cast<std::size_t>(slot - 1)];
  return "WEP Key #" + std::to_string(slot) + ": " + std::string(key.size(), '*');
}

// The EAP state comes last: it is the only line that may end in nothing but its label.
std::vector<std::string> PrintServerState::WirelessScreen() const {
  std::vector<std::string> screen = {SsidLine(),
                                     ModeLine(),
                                     ChannelLine(),
                                     "Regulatory Domain = " + fixed_.regulatoryDomain,
                                     "WiFi FW Ver = " + fixed_.radioFirmware,
                                     EncryptionLine()};
  if (running_.encryption == "DYNAMIC") screen.emplace_back("Dynamic WEP Keys are in use");
  for (int slot = 1; slot <= 4; ++slot) screen.push_back(WepKeyLine(slot));
  screen.push_back("AP MAC Address = " + fixed_.apMacAddress);
  screen.push_back("EAP state is " + eapState_);
  return screen;
}

std::vector<std::string> PrintServerState::StatsScreen() const {
  return {"TX Frames: " + std::to_string(fixed_.txFrames),
          "RX Frames: " + std::to_string(fixed_.rxFrames),
          "RX Discards WEP undecr: " + std::to_string(fixed_.rxDiscardsWepUndecrypted),
          "RX Discards other: " + std::to_string(fixed_.rxDiscardsOther)};
}

}  // namespace pelmora
