#include "pelmora/fleet/Inventory.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace pelmora {
namespace {

TEST(Inventory, HostsInheritDefaultsThenGroupsInFileOrderAndPasswordsComeFromWhereTheySay) {
  const std::string dir = ::testing::TempDir();
  std::ofstream(dir + "fleet-pw.txt") << "FromFile\n";
  setenv("PELMORA_FLEET_TEST_PW", "FromEnv", 1);
  const auto inventory = Inventory::Parse(R"(
[defaults]
port = 2323
timeout = 500
password = "Literal"

[groups.floor1]
timeout = 700
password = "Floor"

[groups.colour]
timeout = 800

[hosts.zeta]
address = "10.0.0.9"
groups = ["floor1", "colour"]

[hosts.alpha]
serial = "/dev/ttyUSB0"
baud = 19200
password = { env = "PELMORA_FLEET_TEST_PW" }
groups = ["floor1"]

[hosts.mid]
address = "10.0.0.8:23"
timeout = 900
password = { file = "fleet-pw.txt" }
)",
                                          dir + "fleet.toml");
  const auto& hosts = inventory.Hosts();
  ASSERT_EQ(hosts.size(), 3u);
  EXPECT_EQ(hosts[0].name, "zeta");  // the file's order, not the names'
  EXPECT_EQ(hosts[1].name, "alpha");
  EXPECT_EQ(hosts[2].name, "mid");
  EXPECT_EQ(hosts[0].port, 2323);
  EXPECT_EQ(hosts[0].timeoutMs, 800);  // its later group wins
  EXPECT_EQ(hosts[0].password, "Floor");
  EXPECT_EQ(hosts[1].serial, "/dev/ttyUSB0");
  EXPECT_EQ(hosts[1].baud, 19200);
  EXPECT_EQ(hosts[1].timeoutMs, 700);
  EXPECT_EQ(hosts[1].password, "FromEnv");  // its own, though its groups come after it
  EXPECT_EQ(hosts[2].timeoutMs, 900);
  EXPECT_EQ(hosts[2].password, "FromFile");
  EXPECT_EQ(hosts[2].port, 2323);

  EXPECT_EQ(inventory.Select({}), (std::vector<std::size_t>{0, 1, 2}));
  EXPECT_EQ(inventory.Select({"mid", "floor1"}), (std::vector<std::size_t>{0, 1, 2}));
  EXPECT_EQ(inventory.Select({"colour"}), (std::vector<std::size_t>{0}));
  EXPECT_THROW(inventory.Select({"alpha", "nowhere"}), std::invalid_argument);
}

TEST(Inventory, EveryProblemIsReportedWithItsPlaceInFileOrder) {
  unsetenv("PELMORA_FLEET_TEST_UNSET");
  const auto noColon = [](const std::string& address) -> std::optional<std::string> {
    if (address.find(':') == std::string::npos) return std::nullopt;
    return "bad address '" + address + "'";
  };
  const std::string text = R"([defaults]
port = 70000
colour = "red"
[hosts.a]
address = "x:y"
[hosts.b]
serial = "/dev/ttyS0"
address = "b"
[hosts."c/d"]
address = "c"
groups = ["a", 7]
password = { env = "PELMORA_FLEET_TEST_UNSET" }
[hosts.e]
timeout = "soon"
[groups.lab]
colour = "red"
)";
  try {
    Inventory::Parse(text, "inv.toml", noColon);
    FAIL() << "the inventory was taken";
  } catch (const InventoryError& error) {
    const std::vector<std::string> expected{
        "inv.toml:2:8: port must be a whole number from 1 to 65535",
        "inv.toml:3:1: unknown default 'colour' (port, timeout, password, baud, framing-delay)",
        "inv.toml:5:11: bad address 'x:y'",
        "inv.toml:6:8: host 'b' needs either an address or a serial device",
        "inv.toml:9:8: host name 'c/d' may hold only letters, digits, '.', '_' and '-'",
        "inv.toml:11:11: group 'a' has the name of a host",
        "inv.toml:11:16: a group is a name of letters, digits, '.', '_' and '-'",
        "inv.toml:12:20: environment variable 'PELMORA_FLEET_TEST_UNSET' is not set",
        "inv.toml:13:8: host 'e' needs either an address or a serial device",
        "inv.toml:14:11: timeout must be a whole number from 1 to 2147483647",
        "inv.toml:16:1: unknown setting 'colour' in group 'lab' (port, timeout, password, baud, "
        "framing-delay)",
    };
    EXPECT_EQ(error.Problems(), expected);
  }
  // A syntax error and an empty inventory are one problem each, with their place.
  EXPECT_THROW(
      {
        try {
          Inventory::Parse("[hosts.a\naddress = 1", "bad.toml");
        } catch (const InventoryError& error) {
          ASSERT_EQ(error.Problems().size(), 1u);
          EXPECT_TRUE(error.Problems()[0].starts_with("bad.toml:1:")) << error.what();
          throw;
        }
      },
      InventoryError);
  EXPECT_THROW(Inventory::Parse("[defaults]\nport = 23\n", "empty.toml"), InventoryError);
}

}  // namespace
}  // namespace pelmora
