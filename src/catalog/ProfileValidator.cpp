#include "ProfileValidator.h"

#include <cstdlib>
#include <limits>
#include <set>

#include "pelmora/catalog/SettingsCatalog.h"
#include "pelmora/catalog/Utf8Text.h"
#include "pelmora/session/LimitedFile.h"

namespace pelmora {

namespace {

constexpr const char* kSecretForms = R"(a string, { env = "NAME" } or { file = "PATH" })";

}  // namespace

ProfileValidator::ProfileValidator(Profile& profile, std::filesystem::path baseDirectory)
    : profile_(profile), baseDirectory_(std::move(baseDirectory)) {}

void ProfileValidator::Validate(const ProfileNode& root) {
  if (root.kind != ProfileNode::Kind::Table) {
    profile_.AddProblem(root.line, root.column,
                        "a profile is a table of settings, not " + root.typeName);
    return;
  }
  for (const auto& member : root.members) Member(member);
}

void ProfileValidator::Member(const ProfileNode::Member& member) {
  const Setting* setting = SettingsCatalog::Find(member.key);
  const std::string key = Utf8Text::OneLine(member.key);
  if (setting == nullptr) {
    profile_.AddProblem(member.line, member.column, "unknown setting '" + key + "'");
  } else if (!seen_.insert(setting).second) {
    // The names compare in any letter case: ssid and SSID are the one setting.
    profile_.AddProblem(member.line, member.column,
                        std::string(setting->name) + " is given more than once");
  } else if (!setting->CanSet()) {
    profile_.AddProblem(member.line, member.column, key + " is read-only");
  } else if (setting->TakesKey()) {
    WepKeys(*setting, member.value);
  } else {
    Plain(*setting, member.value);
  }
}

void ProfileValidator::Plain(const Setting& setting, const ProfileNode& node) {
  std::optional<SettingValue> value;
  if (setting.secret) {
    if (auto text = SecretText(std::string(setting.name), node)) value = SettingValue{*text, {}};
  } else {
    value = Typed(setting, node);
  }
  if (!value) return;
  if (const auto refusal = setting.Refusal(*value)) {
    profile_.AddProblem(node.line, node.column, *refusal);
    return;
  }
  // A combination such as open+ttls (what backup writes) asks for the one type the setter
  // takes; it reads back as that combination.
  profile_.AddEntry({&setting, std::nullopt, setting.Settable(*value), node.line, node.column});
}

void ProfileValidator::WepKeys(const Setting& setting, const ProfileNode& node) {
  const std::string name(setting.name);
  if (node.kind != ProfileNode::Kind::Table) {
    profile_.AddProblem(
        node.line, node.column,
        name + ": wrong type: wanted a table of key numbers 1 to 4, got " + node.typeName);
    return;
  }
  std::set<std::string> keys;
  for (const auto& member : node.members) {
    if (member.key.size() != 1 || member.key[0] < '1' || member.key[0] > '4') {
      profile_.AddProblem(
          member.line, member.column,
          name + ": key number '" + Utf8Text::OneLine(member.key) + "' is not 1 to 4");
      continue;
    }
    if (!keys.insert(member.key).second) {
      profile_.AddProblem(member.line, member.column,
                          name + " " + member.key + " is given more than once");
      continue;
    }
    const std::string label = name + " " + member.key;
    const auto text = SecretText(label, member.value);
    if (!text) continue;
    // The setter sends a fixed placeholder key in place of an empty one.
    if (text->empty()) {
      profile_.AddProblem(member.value.line, member.value.column, label + ": empty key");
    } else if (const auto refusal = setting.Refusal(SettingValue{*text, {}})) {
      profile_.AddProblem(member.value.line, member.value.column, *refusal);
    } else {
      profile_.AddEntry({&setting, member.key[0] - '0', SettingValue{*text, {}}, member.value.line,
                         member.value.column});
    }
  }
}

std::optional<SettingValue> ProfileValidator::Typed(const Setting& setting,
                                                    const ProfileNode& node) {
  const std::string name(setting.name);
  const bool wantsText = setting.type == SettingType::Text || setting.type == SettingType::Address;
  if (wantsText && node.kind == ProfileNode::Kind::String) {
    if (auto text = DeviceText(name, node)) return SettingValue{std::move(*text), {}};
    return std::nullopt;
  }
  if (setting.type == SettingType::Enum && node.kind == ProfileNode::Kind::String) {
    if (const auto code = setting.CodeOf(node.text)) return setting.FromCode(*code);
    profile_.AddProblem(node.line, node.column,
                        name + ": unknown word (one of " + setting.WordList() + ", or a number)");
    return std::nullopt;
  }
  if (!wantsText && node.kind == ProfileNode::Kind::Integer) {
    constexpr auto kLow = std::numeric_limits<std::int32_t>::min();
    constexpr auto kHigh = std::numeric_limits<std::int32_t>::max();
    if (node.fits64 && node.number >= kLow && node.number <= kHigh) {
      return setting.FromCode(static_cast<std::int32_t>(node.number));
    }
    profile_.AddProblem(node.line, node.column, name + ": the number is out of range");
    return std::nullopt;
  }
  const char* wanted = wantsText                              ? "a string"
                       : setting.type == SettingType::Integer ? "an integer"
                                                              : "a word or a number";
  profile_.AddProblem(node.line, node.column,
                      name + ": wrong type: wanted " + wanted + ", got " + node.typeName);
  return std::nullopt;
}

std::optional<std::string> ProfileValidator::SecretText(const std::string& label,
                                                        const ProfileNode& node) {
  if (node.kind == ProfileNode::Kind::String) return DeviceText(label, node);
  const bool oneString = node.kind == ProfileNode::Kind::Table && node.members.size() == 1 &&
                         node.members[0].value.kind == ProfileNode::Kind::String;
  if (oneString && node.members[0].key == "env") {
    const ProfileNode& variable = node.members[0].value;
    if (const char* value = std::getenv(variable.text.c_str())) {
      return DeviceText(label, variable, value);
    }
    profile_.AddProblem(
        variable.line, variable.column,
        label + ": environment variable " + Utf8Text::OneLine(variable.text) + " is not set");
    return std::nullopt;
  }
  if (oneString && node.members[0].key == "file") return SecretFromFile(label, node);
  profile_.AddProblem(node.line, node.column,
                      label + ": wrong type: wanted " + kSecretForms + ", got " + node.typeName);
  return std::nullopt;
}

std::optional<std::string> ProfileValidator::DeviceText(const std::string& label,
                                                        const ProfileNode& node) {
  return DeviceText(label, node, node.text);
}

std::optional<std::string> ProfileValidator::DeviceText(const std::string& label,
                                                        const ProfileNode& node,
                                                        std::string_view text) {
  if (auto bytes = Utf8Text::ToBytes(text)) return bytes;
  profile_.AddProblem(node.line, node.column, Utf8Text::Refusal(label));
  return std::nullopt;
}

std::optional<std::string> ProfileValidator::SecretFromFile(const std::string& label,
                                                            const ProfileNode& node) {
  const ProfileNode& pathNode = node.members[0].value;
  // A relative path is taken from the profile's own folder, wherever the tool runs.
  const LimitedFile::Content content = LimitedFile::ReadSecret(baseDirectory_ / pathNode.text);
  if (content.problem) {
    profile_.AddProblem(pathNode.line, pathNode.column,
                        label + ": cannot read the file " + Utf8Text::OneLine(pathNode.text) +
                            " (" + *content.problem + ")");
    return std::nullopt;
  }
  return DeviceText(label, pathNode, content.text);
}

}  // namespace pelmora
