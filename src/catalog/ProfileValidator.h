#pragma once

#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "ProfileNode.h"
#include "pelmora/catalog/Profile.h"

namespace pelmora {

// Turns the nodes of a profile file into its entries, checking every key and value against the
// catalog and reporting each problem with its place; it goes on after a problem, so that one
// run shows them all. Secrets are resolved here (environment variables and files are read), and
// no message ever quotes a secret's value.
class ProfileValidator {
 public:
  ProfileValidator(Profile& profile, std::filesystem::path baseDirectory);

  void Validate(const ProfileNode& root);

 private:
  void Member(const ProfileNode::Member& member);
  void Plain(const Setting& setting, const ProfileNode& node);
  void WepKeys(const Setting& setting, const ProfileNode& node);
  std::optional<SettingValue> Typed(const Setting& setting, const ProfileNode& node);
  std::optional<std::string> SecretText(const std::string& label, const ProfileNode& node);
  // The device's one byte per character for a string of the file.
  std::optional<std::string> DeviceText(const std::string& label, const ProfileNode& node);
  // The same for a text from elsewhere (an environment variable, a file) that `node` names.
  std::optional<std::string> DeviceText(const std::string& label, const ProfileNode& node,
                                        std::string_view text);
  std::optional<std::string> SecretFromFile(const std::string& label, const ProfileNode& node);

  Profile& profile_;
  std::filesystem::path baseDirectory_;
  std::set<const Setting*> seen_;
};

}  // namespace pelmora
