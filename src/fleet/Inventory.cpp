#include "pelmora/fleet/Inventory.h"

#include <toml++/toml.h>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <set>
#include <sstream>
#include <stdexcept>
#include <utility>

#include "pelmora/session/LimitedFile.h"

namespace pelmora {

namespace {

using Problem = std::pair<SourcePosition, std::string>;

SourcePosition PositionOf(const toml::source_region& region) {
  return {static_cast<std::int64_t>(region.begin.line),
          static_cast<std::int64_t>(region.begin.column)};
}

// The whole file, or nothing when it cannot be read; an empty file is an empty text.
std::optional<std::string> ReadWhole(const std::filesystem::path& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) return std::nullopt;
  return std::move(text).str();
}

bool Before(const SourcePosition& a, const SourcePosition& b) {
  return std::pair(a.line, a.column) < std::pair(b.line, b.column);
}

// Host names become file names (--log-dir, backup --out-dir), so they stay plain, and short
// enough for the longest suffix (".toml") within a file name's limit of 255 bytes.
constexpr std::size_t kLongestName = 250;

bool IsPlainName(const std::string& name) {
  if (name.empty() || name.front() == '.' || name.size() > kLongestName) return false;
  return std::all_of(name.begin(), name.end(), [](unsigned char c) {
    return std::isalnum(c) != 0 || c == '.' || c == '_' || c == '-';
  });
}

// Reads the tables of an inventory into hosts and collects every problem on the way.
class InventoryReader {
 public:
  InventoryReader(std::string path, const Inventory::AddressCheck& checkAddress)
      : path_(std::move(path)), checkAddress_(checkAddress) {}

  std::vector<InventoryHost> Read(const toml::table& root) {
    InventoryHost defaults;
    const toml::node* hosts = nullptr;
    for (auto&& [key, node] : root) {
      if (key.str() == "defaults") {
        ReadDefaults(node, defaults);
      } else if (key.str() == "hosts") {
        hosts = &node;
      } else if (key.str() == "groups") {
        ReadGroupTables(node);
      } else {
        Add(key.source(), "unknown table or key '" + std::string(key.str()) +
                              "' (an inventory has [defaults], [groups.NAME] and [hosts.NAME])");
      }
    }
    std::vector<InventoryHost> read;
    if (hosts == nullptr || !hosts->is_table() || hosts->as_table()->empty()) {
      Add(hosts ? hosts->source() : root.source(), "no hosts: add a [hosts.NAME] table");
      return read;
    }
    read.reserve(hosts->as_table()->size());
    for (auto&& [key, node] : *hosts->as_table()) {
      read.push_back(ReadHost(std::string(key.str()), key.source(), node, defaults));
    }
    std::sort(read.begin(), read.end(),
              [](const auto& a, const auto& b) { return Before(a.position, b.position); });
    CheckGroupNames(read);
    return read;
  }

  std::vector<std::string> GroupTables() const {
    std::vector<std::string> names;
    for (const auto& [name, settings] : groupSettings_) names.push_back(name);
    return names;
  }

  std::vector<std::string> Problems() {
    std::stable_sort(problems_.begin(), problems_.end(),
                     [](const auto& a, const auto& b) { return Before(a.first, b.first); });
    std::vector<std::string> lines;
    for (const auto& [where, what] : problems_) {
      lines.push_back(path_ + ":" + std::to_string(where.line) + ":" +
                      std::to_string(where.column) + ": " + what);
    }
    return lines;
  }

 private:
  void Add(const toml::source_region& where, std::string what) {
    problems_.emplace_back(PositionOf(where), std::move(what));
  }

  void ReadDefaults(const toml::node& node, InventoryHost& defaults) {
    const auto* table = node.as_table();
    if (table == nullptr) return Add(node.source(), "[defaults] must be a table");
    for (auto&& [key, value] : *table) {
      if (!ReadSetting(std::string(key.str()), value, defaults)) {
        Add(key.source(), "unknown default '" + std::string(key.str()) +
                              "' (port, timeout, password, baud, framing-delay)");
      }
    }
  }

  // [groups.NAME] tables: settings that the group's hosts inherit over the defaults. Each value
  // is checked once here; the ones that pass are applied to every member later.
  void ReadGroupTables(const toml::node& node) {
    const auto* groups = node.as_table();
    if (groups == nullptr) return Add(node.source(), "groups must be [groups.NAME] tables");
    for (auto&& [name, group] : *groups) {
      const auto* table = group.as_table();
      if (table == nullptr) {
        Add(group.source(), "group '" + std::string(name.str()) + "' must be a table");
        continue;
      }
      groupPositions_.emplace_back(name.str(), &name.source());
      auto& settings = groupSettings_[std::string(name.str())];
      for (auto&& [key, value] : *table) {
        InventoryHost scratch;
        const std::size_t problems = problems_.size();
        if (!ReadSetting(std::string(key.str()), value, scratch)) {
          Add(key.source(), "unknown setting '" + std::string(key.str()) + "' in group '" +
                                std::string(name.str()) +
                                "' (port, timeout, password, baud, framing-delay)");
        } else if (problems_.size() == problems) {
          settings.emplace_back(std::string(key.str()), &value);
        }
      }
    }
  }

  // In the order the host lists its groups: a later group wins.
  void InheritGroups(InventoryHost& host) {
    for (const auto& group : host.groups) {
      const auto found = groupSettings_.find(group);
      if (found == groupSettings_.end()) continue;
      for (const auto& [key, value] : found->second) ReadSetting(key, *value, host);
    }
  }

  InventoryHost ReadHost(const std::string& name, const toml::source_region& where,
                         const toml::node& node, InventoryHost host) {
    host.name = name;
    host.position = PositionOf(where);
    if (!IsPlainName(name)) {
      Add(where, "host name '" + name.substr(0, 40) + (name.size() > 40 ? "...'" : "'") +
                     " may hold only letters, digits, '.', '_' and '-', at most " +
                     std::to_string(kLongestName));
    }
    const auto* table = node.as_table();
    if (table == nullptr) {
      Add(node.source(), "host '" + name + "' must be a table");
      return host;
    }
    // Groups first, so that the host's own settings win over theirs wherever they stand.
    if (const auto* groups = table->get("groups")) {
      host.groups = Groups(*groups);
      InheritGroups(host);
    }
    bool hasAddress = false;
    bool hasSerial = false;
    for (auto&& [key, value] : *table) {
      const std::string field(key.str());
      hasAddress = hasAddress || field == "address";
      hasSerial = hasSerial || field == "serial";
      if (field == "groups") continue;
      if (field == "address") {
        host.address = Text(value, "address");
        host.addressPosition = PositionOf(value.source());
        CheckAddress(value, host.address);
      } else if (field == "serial") {
        host.serial = Text(value, "serial");
      } else if (!ReadSetting(field, value, host)) {
        Add(key.source(), "unknown key '" + field + "' in host '" + name +
                              "' (address, serial, groups, port, timeout, password, baud, "
                              "framing-delay)");
      }
    }
    // A value of the wrong kind was reported where it stands; only a missing or a second way
    // to reach the host is a problem of the host.
    if (hasAddress && hasSerial) {
      Add(where, "host '" + name + "' has both an address and a serial device; keep one");
    } else if (!hasAddress && !hasSerial) {
      Add(where, "host '" + name + "' needs an address or a serial device");
    }
    return host;
  }

  void CheckAddress(const toml::node& value, const std::optional<std::string>& address) {
    if (!address || !checkAddress_) return;
    if (auto problem = checkAddress_(*address)) Add(value.source(), *problem);
  }

  // False when `key` is no setting; a setting with a bad value is a problem and stays unset.
  bool ReadSetting(const std::string& key, const toml::node& value, InventoryHost& host) {
    constexpr std::int64_t kMaxInt = std::numeric_limits<std::int32_t>::max();
    if (key == "port") {
      if (auto n = Whole(value, key, 1, 65535)) host.port = *n;
    } else if (key == "timeout") {
      if (auto n = Whole(value, key, 1, kMaxInt)) host.timeoutMs = *n;
    } else if (key == "baud") {
      if (auto n = Whole(value, key, 1, kMaxInt)) host.baud = *n;
    } else if (key == "framing-delay") {
      if (auto n = Whole(value, key, 0, kMaxInt)) host.framingDelayMs = *n;
    } else if (key == "password") {
      host.password = Password(value);
    } else {
      return false;
    }
    return true;
  }

  std::optional<std::int32_t> Whole(const toml::node& value, const std::string& key,
                                    std::int64_t lowest, std::int64_t highest) {
    const auto* number = value.as_integer();
    if (number == nullptr || number->get() < lowest || number->get() > highest) {
      Add(value.source(), key + " must be a whole number from " + std::to_string(lowest) + " to " +
                              std::to_string(highest));
      return std::nullopt;
    }
    return static_cast<std::int32_t>(number->get());
  }

  std::optional<std::string> Text(const toml::node& value, const std::string& key) {
    const auto* text = value.as_string();
    if (text == nullptr || text->get().empty()) {
      Add(value.source(), key + " must be a text that is not empty");
      return std::nullopt;
    }
    return text->get();
  }

  std::vector<std::string> Groups(const toml::node& value) {
    std::vector<std::string> groups;
    const auto* list = value.as_array();
    if (list == nullptr) {
      Add(value.source(), "groups must be a list of names");
      return groups;
    }
    for (const auto& item : *list) {
      const auto* text = item.as_string();
      if (text == nullptr || !IsPlainName(text->get())) {
        Add(item.source(), "a group is a name of letters, digits, '.', '_' and '-'");
        continue;
      }
      groups.push_back(text->get());
      groupPositions_.emplace_back(text->get(), &item.source());
    }
    return groups;
  }

  // A literal, { env = "NAME" } or { file = "PATH" }. A group's or the defaults' password is
  // resolved once, however many hosts inherit it.
  std::optional<std::string> Password(const toml::node& value) {
    const auto known = passwords_.find(&value);
    if (known != passwords_.end()) return known->second;
    return passwords_[&value] = ResolvePassword(value);
  }

  std::optional<std::string> ResolvePassword(const toml::node& value) {
    std::optional<std::string> password;
    const auto* table = value.as_table();
    const toml::node* source = table && table->size() == 1 ? &table->cbegin()->second : nullptr;
    const std::string_view form = source ? table->cbegin()->first.str() : "";
    if (const auto* text = value.as_string()) {
      password = text->get();
    } else if (form == "env" && source->is_string()) {
      password = FromEnvironment(*source->as_string());
    } else if (form == "file" && source->is_string()) {
      password = FromFile(*source->as_string());
    } else {
      Add(value.source(), "password must be a text, { env = \"NAME\" } or { file = \"PATH\" }");
    }
    if (password && password->empty()) {
      Add(value.source(), "the password is empty");
      return std::nullopt;
    }
    if (password && password->find_first_of("\r\n") != std::string::npos) {
      Add(value.source(), "the password holds a line break");
      return std::nullopt;
    }
    return password;
  }

  std::optional<std::string> FromEnvironment(const toml::value<std::string>& name) {
    const char* text = std::getenv(name.get().c_str());
    if (text == nullptr) {
      Add(name.source(), "environment variable '" + name.get() + "' is not set");
      return std::nullopt;
    }
    return std::string(text);
  }

  std::optional<std::string> FromFile(const toml::value<std::string>& name) {
    std::filesystem::path file(name.get());
    if (file.is_relative()) file = std::filesystem::path(path_).parent_path() / file;
    LimitedFile::Content password = LimitedFile::ReadSecret(file);
    if (password.problem) {
      Add(name.source(),
          "cannot read password file '" + file.string() + "' (" + *password.problem + ")");
      return std::nullopt;
    }
    return std::move(password.text);
  }

  // A group with a host's name would make --limit ambiguous. The groups are few and the hosts
  // many: each host is looked up among the groups.
  void CheckGroupNames(const std::vector<InventoryHost>& hosts) {
    std::set<std::string_view> groups;
    for (const auto& [group, where] : groupPositions_) groups.insert(group);
    std::set<std::string_view> clashes;
    for (const auto& host : hosts) {
      if (groups.count(host.name) > 0) clashes.insert(host.name);
    }
    for (const auto& [group, where] : groupPositions_) {
      if (clashes.count(group) > 0) {
        Add(*where, "group '" + std::string(group) + "' has the name of a host");
      }
    }
  }

  std::string path_;
  const Inventory::AddressCheck& checkAddress_;
  std::vector<Problem> problems_;
  // Views into the parsed document, which outlives the reader.
  std::vector<std::pair<std::string_view, const toml::source_region*>> groupPositions_;
  std::map<std::string, std::vector<std::pair<std::string, const toml::node*>>> groupSettings_;
  std::map<const toml::node*, std::optional<std::string>> passwords_;
};

}  // namespace

Inventory Inventory::Load(const std::string& path, const AddressCheck& checkAddress) {
  const auto text = ReadWhole(path);
  if (!text) throw InventoryError({path + ":1:1: cannot read the inventory file"});
  return Parse(*text, path, checkAddress);
}

Inventory Inventory::Parse(std::string_view text, const std::string& path,
                           const AddressCheck& checkAddress) {
  toml::table root;
  try {
    root = toml::parse(text, path);
  } catch (const toml::parse_error& error) {
    const auto where = PositionOf(error.source());
    throw InventoryError({path + ":" + std::to_string(where.line) + ":" +
                          std::to_string(where.column) + ": " + std::string(error.description())});
  }
  InventoryReader reader(path, checkAddress);
  Inventory inventory;
  inventory.path_ = path;
  inventory.hosts_ = reader.Read(root);
  inventory.tables_ = reader.GroupTables();
  if (auto problems = reader.Problems(); !problems.empty()) throw InventoryError(problems);
  return inventory;
}

std::vector<std::size_t> Inventory::Select(const std::vector<std::string>& limits) const {
  std::vector<bool> chosen(hosts_.size(), limits.empty());
  for (const auto& limit : limits) {
    bool known = false;
    for (std::size_t i = 0; i < hosts_.size(); ++i) {
      const auto& groups = hosts_[i].groups;
      if (hosts_[i].name == limit ||
          std::find(groups.begin(), groups.end(), limit) != groups.end()) {
        chosen[i] = true;
        known = true;
      }
    }
    if (!known && std::find(tables_.begin(), tables_.end(), limit) != tables_.end()) {
      throw std::invalid_argument("--limit: no host is in group '" + limit + "'");
    }
    if (!known) throw std::invalid_argument("--limit: no host or group named '" + limit + "'");
  }
  std::vector<std::size_t> selected;
  for (std::size_t i = 0; i < hosts_.size(); ++i) {
    if (chosen[i]) selected.push_back(i);
  }
  return selected;
}

}  // namespace pelmora
