#include "pelmora/metrics/DeviceReading.h"

#include "pelmora/catalog/Plan.h"
#include "pelmora/catalog/SettingsCatalog.h"
#include "pelmora/reports/IPInfo.h"
#include "pelmora/reports/VersionInfo.h"
#include "pelmora/reports/WirelessInfo.h"

namespace pelmora {

namespace {

void ReadWireless(PelmoraT2& device, DeviceState& state) {
  const auto wireless = device.GetWirelessInfo();
  state.wifiFirmware = wireless->WiFiFWVersion();
  state.regulatoryDomain = wireless->RegulatoryDomain();
  state.apMac = wireless->APMacAddress();
  state.encryption = wireless->WepEncryption();
  state.eapState = wireless->EAPState();
  state.wepKeySet = {wireless->WepKey1Set(), wireless->WepKey2Set(), wireless->WepKey3Set(),
                     wireless->WepKey4Set()};
  state.channel = SettingsCatalog::Get(device, "channel").AsNumber();
  state.ssid = SettingsCatalog::Get(device, "ssid").AsText();
  state.undecryptable = SettingsCatalog::Get(device, "discarded-messages").AsNumber();
}

// Secrets are never read, so they never drift: only the settings a diff compares count.
std::vector<SettingDrift> Drift(PelmoraT2& device, const Profile& profile) {
  std::vector<SettingDrift> drift;
  const Plan plan = Plan::Make(device, profile);
  for (const auto& step : plan.Steps()) {
    if (step.action == PlanAction::Send) continue;
    drift.push_back({step.Name(), step.action == PlanAction::Change});
  }
  return drift;
}

}  // namespace

DeviceState DeviceReading::Read(PelmoraT2& device, const Profile* profile) {
  DeviceState state;
  const auto version = device.GetVersion();
  state.product = version->ProductName();
  state.firmware = version->FirmwareVersion();
  state.boot = version->BootVersion();
  const auto ip = device.GetIPInfo();
  state.ipAddress = ip->IPAddress();
  state.ipMethod = ip->ActualIPAssignment() != 0 ? ip->ActualIPAssignment() : ip->BootMethod();
  ReadWireless(device, state);
  if (profile) state.drift = Drift(device, *profile);
  return state;
}

}  // namespace pelmora
