#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "pelmora/fleet/InventoryError.h"
#include "pelmora/fleet/InventoryHost.h"

namespace pelmora {

// The print servers of a fleet, read from a TOML file:
//
//   [defaults]                      # optional: port, timeout, password, baud, framing-delay
//   port = 2323
//   password = { env = "SHELL_PW" }  # or a literal, or { file = "PATH" }
//
//   [groups.floor1]                 # optional: settings of the group's hosts
//   password = { file = "floor1.pw" }
//
//   [hosts.lobby]
//   address = "10.0.0.7"            # or serial = "/dev/ttyUSB0"
//   groups = ["floor1"]
//   timeout = 5000                  # any default, overridden for this host
//
// A host inherits the defaults, then the tables of its groups in the order it lists them, and
// overrides what its own table gives. The whole file is
// checked before it is used: every problem is collected and thrown together as InventoryError,
// so a user mends them in one pass. A password file's path is taken relative to the inventory.
class Inventory {
 public:
  // A problem with an address text ("bad port"), or nothing when it is usable.
  using AddressCheck = std::function<std::optional<std::string>(const std::string&)>;

  static Inventory Load(const std::string& path, const AddressCheck& checkAddress = {});
  static Inventory Parse(std::string_view text, const std::string& path,
                         const AddressCheck& checkAddress = {});

  const std::string& Path() const noexcept { return path_; }
  // In the order they stand in the file.
  const std::vector<InventoryHost>& Hosts() const noexcept { return hosts_; }

  // Indexes of the hosts that the names or groups select, in inventory order; every host when
  // `limits` is empty. Throws std::invalid_argument naming a limit that is neither.
  std::vector<std::size_t> Select(const std::vector<std::string>& limits) const;

 private:
  std::string path_;
  std::vector<InventoryHost> hosts_;
  std::vector<std::string> tables_;  // the names of the [groups.NAME] tables
};

}  // namespace pelmora
