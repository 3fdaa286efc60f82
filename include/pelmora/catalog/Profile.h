#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "pelmora/catalog/ProfileProblem.h"
#include "pelmora/catalog/Setting.h"

namespace pelmora {

// One setting that a profile asks for.
struct ProfileEntry {
  const Setting* setting = nullptr;
  // wep-key: the key number, 1 to 4.
  std::optional<std::int32_t> key;
  // The value wanted. For a secret it is the secret itself, taken from the file, an environment
  // variable or a file it names: never print it.
  SettingValue value;
  int line = 0;
  int column = 0;
};

// A configuration of the print server kept as a file: a TOML table with one key per setting
// name, or a JSON object of the same shape.
//
//   ssid = "Office"              # text
//   channel = 6                  # integer
//   encryption = "wpa2"          # enumerated: the word or the number
//   ip-address = "10.0.0.20"     # address, as a string
//   psk = { env = "OFFICE_PSK" } # a secret: literal, { env = "NAME" } or { file = "PATH" }
//   [wep-key]                    # key numbers "1" to "4", each value a secret
//   1 = "0123456789"
//
// Reading checks the whole file and keeps every problem with its place; a profile with problems
// must not be applied. The entries are kept in catalog order, whatever the order of the file.
class Profile {
 public:
  enum class Format { Toml, Json };

  // Reads a file: JSON when its name ends in ".json" or its text starts with "{", TOML
  // otherwise. A file that cannot be read is a problem, not an exception.
  static Profile Load(const std::string& path);
  // Reads a profile held in memory; `name` stands for the file in problems.
  static Profile Parse(std::string_view text, const std::string& name, Format format);

  const std::string& Name() const noexcept { return name_; }
  const std::vector<ProfileEntry>& Entries() const noexcept { return entries_; }
  const std::vector<ProfileProblem>& Problems() const noexcept { return problems_; }
  bool IsValid() const noexcept { return problems_.empty(); }
  // The values that transcripts must hide (the secrets and the root key), to be registered
  // before anything is sent.
  std::vector<std::string> Secrets() const;

  // Library-internal: used while reading.
  void AddEntry(ProfileEntry entry);
  void AddProblem(int line, int column, std::string what);

 private:
  explicit Profile(std::string name) : name_(std::move(name)) {}
  static Profile Read(std::string_view text, const std::string& name, Format format,
                      const std::string& baseDirectory);

  std::string name_;
  std::vector<ProfileEntry> entries_;
  std::vector<ProfileProblem> problems_;
};

}  // namespace pelmora
