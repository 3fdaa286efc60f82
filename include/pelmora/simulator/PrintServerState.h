#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "pelmora/simulator/SavedConfiguration.h"
#include "pelmora/simulator/ShellSettings.h"

namespace pelmora {

// Everything a simulated print server knows: its running configuration, the saved configuration
// (shared by all sessions of one device), the values no command changes, the shell password and
// the status that tests switch (EAP state, address status). It also renders what the shell shows
// for that state: the one-line answers and the version, IP, wireless and statistics screens.
//
// Secrets (WEP keys, PSK, 802.1X password, shell password) never appear in anything rendered
// here; a set WEP key shows as a row of '*'. The root key is the exception: reading it back is
// what SH NW CERTKEY is for.
//
// Not thread-safe: one session uses a state at a time. Give each session its own (NewSession).
class PrintServerState {
 public:
  struct FixedValues {
    std::string productName = "Pelmora T2 Wireless Print Server";
    std::string firmwareVersion = "6.02 (2006-03-14)";
    std::string bootVersion = "1.10";
    std::string regulatoryDomain = "FCC";
    std::string radioFirmware = "1.7.4";
    std::string apMacAddress = "00:11:22:33:44:55";
    std::string hostName = "PS-0A1B2C";
    std::int64_t txFrames = 10234;
    std::int64_t rxFrames = 20411;
    std::int64_t rxDiscardsWepUndecrypted = 17;
    std::int64_t rxDiscardsOther = 3;
  };

  // How the IP screen shows the address: as obtained, still being searched for (no address
  // yet), or marked as a duplicate found on the network.
  enum class AddressStatus { Assigned, Searching, Duplicate };

  // A device with the default configuration, running and saved alike.
  PrintServerState();
  // A device whose saved configuration is `saved`; it starts running that configuration.
  explicit PrintServerState(std::shared_ptr<SavedConfiguration> saved);

  // The state of another session of the same device: same saved configuration, fixed values,
  // shell password, status and restart delay; running settings loaded from the saved ones.
  std::shared_ptr<PrintServerState> NewSession() const;

  ShellSettings& Running() noexcept { return running_; }
  const ShellSettings& Running() const noexcept { return running_; }
  const std::shared_ptr<SavedConfiguration>& Saved() const noexcept { return saved_; }
  void Save();     // saved := running
  void Restore();  // running := saved

  FixedValues& Fixed() noexcept { return fixed_; }
  const FixedValues& Fixed() const noexcept { return fixed_; }

  // No password: every session is privileged. With one, a session starts protected.
  const std::optional<std::string>& ShellPassword() const noexcept { return shellPassword_; }
  void SetShellPassword(std::optional<std::string> password);
  bool PasswordMatches(std::string_view candidate) const noexcept;

  const std::string& EapState() const noexcept { return eapState_; }
  void SetEapState(std::string state);
  AddressStatus Address() const noexcept { return addressStatus_; }
  void SetAddress(AddressStatus status) noexcept { addressStatus_ = status; }

  // How long INI keeps the device away; the serving layer applies it (ShellEngine::FinishRestart).
  std::chrono::milliseconds RestartDelay() const noexcept { return restartDelay_; }
  void SetRestartDelay(std::chrono::milliseconds delay) noexcept { restartDelay_ = delay; }

  // One-line answers of the SH commands.
  std::string ModeLine() const;
  std::string ApDensityLine() const;
  std::string BssidLine() const;
  std::string SsidLine() const;
  std::string ChannelLine() const;
  std::string RtsLine() const;
  std::string EncryptionLine() const;
  std::string ActiveKeyLine() const;
  std::string AuthenticationLine() const;
  std::string AuthProtocolLine() const;
  std::string ExponentLine() const;

  // Screens, one element per line, without line ends.
  std::vector<std::string> VersionScreen() const;
  std::vector<std::string> IpScreen() const;
  std::vector<std::string> WirelessScreen() const;
  std::vector<std::string> StatsScreen() const;

 private:
  std::string IpAddressLine() const;
  std::string WepKeyLine(int slot) const;

  std::shared_ptr<SavedConfiguration> saved_;
  ShellSettings running_;
  FixedValues fixed_;
  std::optional<std::string> shellPassword_;
  std::string eapState_ = "Authenticated";
  AddressStatus addressStatus_ = AddressStatus::Assigned;
  std::chrono::milliseconds restartDelay_{0};
};

}  // namespace pelmora
