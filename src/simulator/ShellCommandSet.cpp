#include "pelmora/simulator/ShellCommandSet.h"

#include <span>

#include "pelmora/simulator/SettingWords.h"
#include "pelmora/simulator/ShellText.h"

namespace pelmora {

namespace {

using Error = ShellReply::Error;

struct Call {
  PrintServerState& state;
  std::string_view value;
  bool readOnly;
  ShellSettings& settings() const { return state.Running(); }
};

struct Command {
  std::string_view words;
  bool takesValue;
  bool changes;
  ShellReply (*run)(const Call&);
};

constexpr bool kValue = true;
constexpr bool kBare = false;
constexpr bool kChange = true;
constexpr bool kLook = false;

ShellReply Show(std::string line) {
  return ShellReply::Lines({std::move(line)});
}

ShellReply Done() {
  return {};
}

ShellReply SetWord(std::string& target, SettingWords::Table table, std::string_view value) {
  const auto word = SettingWords::Find(table, ShellText::TrimBlanks(value));
  if (!word) return ShellReply::Failure(Error::InvalidValue);
  target = *word;
  return Done();
}

ShellReply SetNumber(std::int32_t& target, std::string_view value, std::int32_t low,
                     std::int32_t high, Error error) {
  const auto number = ShellText::Decimal(ShellText::TrimBlanks(value));
  if (!number || *number < low || *number > high) return ShellReply::Failure(error);
  target = static_cast<std::int32_t>(*number);
  return Done();
}

ShellReply SetText(std::string& target, std::string_view value, std::size_t minLength = 0,
                   std::size_t maxLength = 255) {
  if (value.size() < minLength || value.size() > maxLength) {
    return ShellReply::Failure(Error::InvalidValue);
  }
  target = value;
  return Done();
}

ShellReply SetAddress(std::string& target, std::string_view value) {
  const auto address = ShellText::TrimBlanks(value);
  if (!ShellText::IsDottedQuad(address)) return ShellReply::Failure(Error::InvalidValue);
  target = address;
  return Done();
}

ShellReply SetBssid(const Call& call) {
  const auto bssid = ShellText::TrimBlanks(call.value);
  if (bssid.empty() || ShellText::EqualsIgnoreCase(bssid, "none")) {
    call.settings().bssid.clear();
  } else if (ShellText::IsMacAddress(bssid)) {
    call.settings().bssid = bssid;
  } else {
    return ShellReply::Failure(Error::InvalidValue);
  }
  return Done();
}

ShellReply SetKeyValue(const Call& call) {
  const auto key = ShellText::TrimBlanks(call.value);
  if ((key.size() != 10 && key.size() != 26) || !ShellText::IsHex(key)) {
    return ShellReply::Failure(Error::InvalidKey);
  }
  call.settings().wepKeys[static_cast<std::size_t>(call.settings().activeKey - 1)] = key;
  return Done();
}

// The root key is given as "\x" and hexadecimal digits; "\x" alone clears it.
ShellReply SetRootKey(const Call& call) {
  const auto text = ShellText::TrimBlanks(call.value);
  if (text.size() < 2 || text[0] != '\\' || (text[1] != 'x' && text[1] != 'X')) {
    return ShellReply::Failure(Error::InvalidKey);
  }
  const auto key = text.substr(2);
  if (!key.empty() && !ShellText::IsHex(key)) return ShellReply::Failure(Error::InvalidKey);
  call.settings().rootKey = key;
  return Done();
}

ShellReply SetExponent(const Call& call) {
  const auto number = ShellText::Decimal(ShellText::TrimBlanks(call.value));
  if (!number || *number < 1) return ShellReply::Failure(Error::InvalidValue);
  call.settings().exponent = *number;
  return Done();
}

ShellReply Unprotect(const Call& call) {
  ShellReply reply;
  if (call.readOnly) reply.effect = ShellReply::Effect::AwaitPassword;
  return reply;
}

ShellReply Leave(const Call&) {
  ShellReply reply = ShellReply::Lines({std::string(ShellReply::kFarewell)});
  reply.effect = ShellReply::Effect::EndSession;
  return reply;
}

ShellReply Reboot(const Call& call) {
  call.state.Restore();
  ShellReply reply =
      ShellReply::Lines({"Resetting print server", std::string(ShellReply::kFarewell)});
  reply.effect = ShellReply::Effect::Restart;
  return reply;
}

ShellReply SaveAll(const Call& call) {
  call.state.Save();
  return Show("Configuration saved");
}

const Command kCommands[] = {
    {"SH VERSION", kBare, kLook,
     [](const Call& c) { return ShellReply::Lines(c.state.VersionScreen()); }},
    {"SH IP", kBare, kLook, [](const Call& c) { return ShellReply::Lines(c.state.IpScreen()); }},
    {"SH NW", kBare, kLook,
     [](const Call& c) { return ShellReply::Lines(c.state.WirelessScreen()); }},
    {"SH NW STATS", kBare, kLook,
     [](const Call& c) { return ShellReply::Lines(c.state.StatsScreen()); }},
    {"SH NW MO", kBare, kLook, [](const Call& c) { return Show(c.state.ModeLine()); }},
    {"SH NW APDEN", kBare, kLook, [](const Call& c) { return Show(c.state.ApDensityLine()); }},
    {"SH NW BSSID", kBare, kLook, [](const Call& c) { return Show(c.state.BssidLine()); }},
    {"SH NW SSID", kBare, kLook, [](const Call& c) { return Show(c.state.SsidLine()); }},
    {"SH NW CH", kBare, kLook, [](const Call& c) { return Show(c.state.ChannelLine()); }},
    {"SH NW RTS", kBare, kLook, [](const Call& c) { return Show(c.state.RtsLine()); }},
    {"SH NW WEP", kBare, kLook, [](const Call& c) { return Show(c.state.EncryptionLine()); }},
    {"SH NW KEY#", kBare, kLook, [](const Call& c) { return Show(c.state.ActiveKeyLine()); }},
    {"SH NW AUTH", kBare, kLook, [](const Call& c) { return Show(c.state.AuthenticationLine()); }},
    {"SH NW INAP", kBare, kLook, [](const Call& c) { return Show(c.state.AuthProtocolLine()); }},
    {"SH NW CERTCN", kBare, kLook, [](const Call& c) { return Show(c.settings().commonName); }},
    {"SH NW CERTCN2", kBare, kLook, [](const Call& c) { return Show(c.settings().commonName2); }},
    {"SH NW CERTEXP", kBare, kLook, [](const Call& c) { return Show(c.state.ExponentLine()); }},
    {"SH NW CERTKEY", kBare, kLook, [](const Call& c) { return Show(c.settings().rootKey); }},
    {"SH NW ID", kBare, kLook, [](const Call& c) { return Show(c.settings().user); }},
    {"SH NW REALM", kBare, kLook, [](const Call& c) { return Show(c.settings().realm); }},
    {"SH IP ME", kBare, kLook, [](const Call& c) { return Show(c.settings().ipMethod); }},
    {"SH IP AD", kBare, kLook, [](const Call& c) { return Show(c.settings().ipAddress); }},
    {"SH IP SU", kBare, kLook, [](const Call& c) { return Show(c.settings().subnetMask); }},
    {"SH IP RO", kBare, kLook, [](const Call& c) { return Show(c.settings().router); }},
    {"SET NW MO", kValue, kChange,
     [](const Call& c) { return SetWord(c.settings().mode, SettingWords::Mode(), c.value); }},
    {"SET NW APDEN", kValue, kChange,
     [](const Call& c) {
       return SetWord(c.settings().apDensity, SettingWords::ApDensity(), c.value);
     }},
    {"SET NW BSSID", kValue, kChange, SetBssid},
    {"SET NW SSID", kValue, kChange,
     [](const Call& c) { return SetText(c.settings().ssid, c.value, 1, 32); }},
    {"SET NW CH", kValue, kChange,
     [](const Call& c) {
       return SetNumber(c.settings().channel, c.value, 1, 11, Error::InvalidChannel);
     }},
    {"SET NW RTS", kValue, kChange,
     [](const Call& c) {
       return SetNumber(c.settings().rtsThreshold, c.value, 1, 2347, Error::InvalidValue);
     }},
    {"SET NW ENC", kValue, kChange,
     [](const Call& c) {
       return SetWord(c.settings().encryption, SettingWords::Encryption(), c.value);
     }},
    {"SET NW KEY#", kValue, kChange,
     [](const Call& c) {
       return SetNumber(c.settings().activeKey, c.value, 1, 4, Error::InvalidKey);
     }},
    {"SET NW KEYVAL", kValue, kChange, SetKeyValue},
    {"SET NW AUTH", kValue, kChange,
     [](const Call& c) {
       return SetWord(c.settings().authentication, SettingWords::Authentication(), c.value);
     }},
    {"SET NW INAP", kValue, kChange,
     [](const Call& c) {
       return SetWord(c.settings().authProtocol, SettingWords::AuthProtocol(), c.value);
     }},
    {"SET NW CERTCN", kValue, kChange,
     [](const Call& c) { return SetText(c.settings().commonName, c.value); }},
    {"SET NW CERTCN2", kValue, kChange,
     [](const Call& c) { return SetText(c.settings().commonName2, c.value); }},
    {"SET NW CERTEXP", kValue, kChange, SetExponent},
    {"SET NW CERTKEY", kValue, kChange, SetRootKey},
    {"SET NW ID", kValue, kChange,
     [](const Call& c) { return SetText(c.settings().user, c.value); }},
    {"SET NW PW", kValue, kChange,
     [](const Call& c) { return SetText(c.settings().eapPassword, c.value); }},
    {"SET NW REALM", kValue, kChange,
     [](const Call& c) { return SetText(c.settings().realm, c.value); }},
    {"SET NW WPAPSK", kValue, kChange,
     [](const Call& c) { return SetText(c.settings().psk, c.value, 8, 63); }},
    {"SET IP ME", kValue, kChange,
     [](const Call& c) {
       return SetWord(c.settings().ipMethod, SettingWords::IpMethod(), c.value);
     }},
    {"SET IP AD", kValue, kChange,
     [](const Call& c) { return SetAddress(c.settings().ipAddress, c.value); }},
    {"SET IP SU", kValue, kChange,
     [](const Call& c) { return SetAddress(c.settings().subnetMask, c.value); }},
    {"SET IP RO", kValue, kChange,
     [](const Call& c) { return SetAddress(c.settings().router, c.value); }},
    {"SAVE", kBare, kChange, SaveAll},
    {"INI", kBare, kChange, Reboot},
    {"unpro", kBare, kLook, Unprotect},
    {"exit", kBare, kLook, Leave},
};

struct Match {
  bool found = false;
  bool valueMissing = false;
  std::string_view value;
};

// The command's words must open the line; a bare command must also end it. The value starts
// behind exactly one blank after the last command word.
Match MatchCommand(const Command& command, std::string_view line,
                   const std::vector<ShellText::Word>& lineWords) {
  const auto pattern = ShellText::Words(command.words);
  if (lineWords.size() < pattern.size()) return {};
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (!ShellText::EqualsIgnoreCase(pattern[i].text, lineWords[i].text)) return {};
  }
  if (!command.takesValue) return {lineWords.size() == pattern.size(), false, {}};
  const std::size_t end = lineWords[pattern.size() - 1].end;
  if (end == line.size()) return {true, true, {}};
  return {true, false, line.substr(end + 1)};
}

}  // namespace

ShellReply ShellCommandSet::Run(PrintServerState& state, std::string_view line, bool readOnly) {
  const auto lineWords = ShellText::Words(line);
  for (const Command& command : kCommands) {
    const Match match = MatchCommand(command, line, lineWords);
    if (!match.found) continue;
    if (readOnly && command.changes) return ShellReply::Failure(Error::NotPermitted);
    if (match.valueMissing) return ShellReply::Failure(Error::MissingArgument);
    return command.run(Call{state, match.value, readOnly});
  }
  return ShellReply::Failure(Error::UnknownCommand);
}

}  // namespace pelmora
