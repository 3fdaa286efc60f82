#include "pelmora/reports/WirelessInfo.h"

#include <optional>
#include <string_view>

#include "ReportText.h"
#include "pelmora/platform/AutomationError.h"
#include "pelmora/platform/ErrorMessages.h"
#include "pelmora/platform/ErrorNumbers.h"

namespace pelmora {

namespace {

constexpr const char* kParseSource = "WirelessInfo.Parse";
constexpr const char* kNotParsed = "Data must be parsed before reading property values";

constexpr std::array<const char*, 4> kWepKeyKeys{
    "WEP Key #1:", "WEP Key #2:", "WEP Key #3:", "WEP Key #4:"};

struct EncryptionWord {
  std::string_view word;
  WiFiEncryption code;
};

// The encryption word is looked for inside these words, in this order.
constexpr std::array<EncryptionWord, 4> kEncryptionWords{{
    {"disabled", Disabled},
    {"64", Wep64},
    {"128", Wep128},
    {"dynamic", DynamicWep},
}};

std::string LineValueBetween(const std::string& data, std::size_t from, std::size_t to,
                             const std::string& key) {
  return ReportText::TrimSpaces(ReportText::RemoveAll(data.substr(from, to - from), key));
}

// The rest of the key's line, key removed and blanks trimmed; nothing when the key is absent.
// A key with no CR anywhere behind it cannot be read and fails with error 5.
std::optional<std::string> LineValue(const std::string& data, const std::string& key) {
  const std::size_t at = data.find(key);
  if (at == std::string::npos) return std::nullopt;
  const std::size_t cr = data.find(ReportText::kCR, at);
  if (cr == std::string::npos) {
    ErrorMessages::Current().RaiseNumberedError(errors::kInvalidArgument, kParseSource);
  }
  return LineValueBetween(data, at, cr, key);
}

}  // namespace

void WirelessInfo::Parse(const std::string& data) {
  try {
    ParseFields(data);
    parsed_ = true;
  } catch (...) {
    parsed_ = false;
    throw;
  }
}

void WirelessInfo::ParseFields(const std::string& data) {
  if (auto domain = LineValue(data, "Regulatory Domain =")) regulatoryDomain_ = *domain;
  if (auto version = LineValue(data, "WiFi FW Ver =")) wifiFWVersion_ = *version;
  ParseEncryption(data);
  if (wepEncryption_ != Disabled && wepEncryption_ != DynamicWep) ParseWepKeys(data);
  if (auto mac = LineValue(data, "AP MAC Address =")) apMacAddress_ = *mac;
  ParseEAPState(data);
}

void WirelessInfo::ParseEncryption(const std::string& data) {
  std::string word;
  if (auto value = LineValue(data, "Encryption is WEP ")) {
    word = ReportText::LeadingNumberText(*value);
  }
  if (data.find("Dynamic WEP Keys are in use") != std::string::npos) word = "dynamic";
  // An empty word occurs within every word and so means disabled; a word found in none (such as
  // "0" from "WEP off") leaves the encryption as it was.
  for (const EncryptionWord& candidate : kEncryptionWords) {
    if (ReportText::ContainsIgnoringCase(candidate.word, word)) {
      wepEncryption_ = candidate.code;
      return;
    }
  }
}

void WirelessInfo::ParseWepKeys(const std::string& data) {
  for (std::size_t k = 0; k < kWepKeyKeys.size(); ++k) {
    const std::optional<std::string> value = LineValue(data, kWepKeyKeys[k]);
    if (!value) ErrorMessages::Current().RaiseNumberedError(errors::kInvalidArgument, kParseSource);
    if (value->find("**") != std::string::npos) wepKeySet_[k] = true;
  }
}

void WirelessInfo::ParseEAPState(const std::string& data) {
  const std::string key = "state is ";
  const std::size_t at = data.find(key);
  if (at == std::string::npos) return;
  // The state is normally the screen's last line, so it may run to the end without a CR.
  const std::size_t cr = data.find(ReportText::kCR, at);
  const std::string state =
      LineValueBetween(data, at, cr == std::string::npos ? data.size() : cr, key);
  if (state == "Connecting") {
    eapState_ = Connecting;
  } else if (state.empty()) {
    eapState_ = EAPStateEmpty;
  } else if (state == "Authenticated") {
    eapState_ = Authenticated;
  } else {
    eapState_ = EAPStateUnrecognized;
  }
}

void WirelessInfo::RequireParsed(const char* property) const {
  if (!parsed_) throw AutomationError(errors::kLibraryError, property, kNotParsed);
}

bool WirelessInfo::WepKey1Set() const {
  RequireParsed("WirelessInfo.WepKey1Set");
  return wepKeySet_[0];
}

bool WirelessInfo::WepKey2Set() const {
  RequireParsed("WirelessInfo.WepKey2Set");
  return wepKeySet_[1];
}

bool WirelessInfo::WepKey3Set() const {
  RequireParsed("WirelessInfo.WepKey3Set");
  return wepKeySet_[2];
}

bool WirelessInfo::WepKey4Set() const {
  RequireParsed("WirelessInfo.WepKey4Set");
  return wepKeySet_[3];
}

const std::string& WirelessInfo::RegulatoryDomain() const {
  RequireParsed("WirelessInfo.RegulatoryDomain");
  return regulatoryDomain_;
}

const std::string& WirelessInfo::APMacAddress() const {
  RequireParsed("WirelessInfo.APMacAddress");
  return apMacAddress_;
}

const std::string& WirelessInfo::WiFiFWVersion() const {
  RequireParsed("WirelessInfo.WiFiFWVersion");
  return wifiFWVersion_;
}

WiFiEncryption WirelessInfo::WepEncryption() const {
  RequireParsed("WirelessInfo.WepEncryption");
  return wepEncryption_;
}

std::string WirelessInfo::ToString() const {
  // The encryption is read first, so an unparsed object fails with its source.
  const WiFiEncryption encryption = WepEncryption();
  std::string text;
  const auto line = [&text](const std::string& label, const std::string& value) {
    text += label + value + ReportText::kCRLF;
  };
  const auto word = [](bool set) { return std::string(set ? "True" : "False"); };
  line("AP MAC Address: ", APMacAddress());
  line("Regulatory Domain: ", RegulatoryDomain());
  line("WEP Encryption: ",
       std::to_string(static_cast<std::int32_t>(encryption)) +
           (encryption == Disabled ? " (0 = WEP disabled)" : " bit WEP Encryption"));
  line("WEP Key #1 Set: ", word(WepKey1Set()));
  line("WEP Key #2 Set: ", word(WepKey2Set()));
  line("WEP Key #3 Set: ", word(WepKey3Set()));
  line("WEP Key #4 Set: ", word(WepKey4Set()));
  line("WiFi Firmware version: ", WiFiFWVersion());
  return text;
}

}  // namespace pelmora
