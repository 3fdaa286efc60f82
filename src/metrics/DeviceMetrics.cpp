#include "pelmora/metrics/DeviceMetrics.h"

#include <string>

#include "pelmora/catalog/SettingsCatalog.h"
#include "pelmora/catalog/Utf8Text.h"
#include "pelmora/device/Enumerations.h"

namespace pelmora {

namespace {

// Device text as label text: UTF-8, whatever bytes the device sent.
std::string Text(const std::string& deviceText) {
  return Utf8Text::FromBytes(deviceText);
}

MetricFamily Gauge(std::string name, std::string help) {
  return {std::move(name), std::move(help), MetricType::Gauge, {}};
}

void AddFailure(std::vector<MetricFamily>& families, const ProbeFailure& failure) {
  families.push_back(
      Gauge("pelmora_probe_error_info", "The error that ended the probe: its number and source.")
          .Add(1, {{"number", std::to_string(failure.number)}, {"source", Text(failure.source)}}));
}

void AddWireless(std::vector<MetricFamily>& families, const DeviceState& state) {
  families.push_back(
      Gauge("pelmora_wireless_channel", "The wireless channel set.").Add(state.channel));
  auto encryption = Gauge("pelmora_wireless_encryption",
                          "The wireless encryption: 1 for the word in use, 0 for the others.");
  for (const auto& word : SettingsCatalog::At("encryption").words) {
    encryption.Add(word.code == state.encryption ? 1 : 0, {{"encryption", std::string(word.word)}});
  }
  families.push_back(std::move(encryption));
  families.push_back(Gauge("pelmora_eap_state",
                           "The EAP state code: 0 unrecognized, 1 empty, 2 connecting, "
                           "3 authenticated.")
                         .Add(state.eapState));
  families.push_back(Gauge("pelmora_eap_state_info", "The EAP state in words.")
                         .Add(1, {{"state", DeviceMetrics::EapStateWord(state.eapState)}}));
  families.push_back(MetricFamily{
      "pelmora_wep_undecryptable_total",
      "Messages the print server discarded because it could not "
      "decrypt them.",
      MetricType::Counter,
      {}}.Add(static_cast<double>(state.undecryptable)));
  families.push_back(
      Gauge("pelmora_wireless_ap_info", "The access point the print server is associated with.")
          .Add(1, {{"ap_mac", Text(state.apMac)}, {"ssid", Text(state.ssid)}}));
}

void AddDrift(std::vector<MetricFamily>& families, const std::vector<SettingDrift>& drift) {
  auto perSetting = Gauge("pelmora_profile_setting_drift",
                          "1 when the setting differs from the profile, 0 when it matches.");
  int differing = 0;
  for (const auto& setting : drift) {
    differing += setting.differs ? 1 : 0;
    perSetting.Add(setting.differs ? 1 : 0, {{"setting", setting.setting}});
  }
  families.push_back(
      Gauge("pelmora_profile_drift", "Settings that differ from the profile.").Add(differing));
  families.push_back(std::move(perSetting));
}

}  // namespace

std::vector<MetricFamily> DeviceMetrics::Families(const DeviceState& state) {
  std::vector<MetricFamily> families;
  families.push_back(Gauge("pelmora_up", "Whether the print server answered the probe.")
                         .Add(state.failure ? 0 : 1));
  families.push_back(Gauge("pelmora_probe_duration_seconds", "How long the probe took.")
                         .Add(state.durationSeconds));
  if (state.failure) {
    AddFailure(families, *state.failure);
    return families;
  }
  families.push_back(Gauge("pelmora_info", "The print server's product and firmware.")
                         .Add(1, {{"product", Text(state.product)},
                                  {"firmware", Text(state.firmware)},
                                  {"boot", Text(state.boot)},
                                  {"wifi_firmware", Text(state.wifiFirmware)},
                                  {"regulatory_domain", Text(state.regulatoryDomain)}}));
  AddWireless(families, state);
  families.push_back(
      Gauge("pelmora_ip_info", "The print server's address and how it was obtained.")
          .Add(1, {{"address", Text(state.ipAddress)},
                   {"method", SettingsCatalog::At("ip-method").WordOf(state.ipMethod)}}));
  auto keys = Gauge("pelmora_wep_key_set", "1 when the WEP key slot holds a key.");
  for (std::size_t i = 0; i < state.wepKeySet.size(); ++i) {
    keys.Add(state.wepKeySet[i] ? 1 : 0, {{"key", std::to_string(i + 1)}});
  }
  families.push_back(std::move(keys));
  if (state.drift) AddDrift(families, *state.drift);
  return families;
}

const char* DeviceMetrics::EapStateWord(std::int32_t code) noexcept {
  switch (code) {
    case EAPStateEmpty:
      return "empty";
    case Connecting:
      return "connecting";
    case Authenticated:
      return "authenticated";
    default:
      return "unrecognized";
  }
}

}  // namespace pelmora
