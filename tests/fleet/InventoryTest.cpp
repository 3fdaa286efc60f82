#include "pelmora/fleet/Inventory.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>

namespace pelmora {
namespace {

// The problems a load or parse is refused with; none when it is taken.
std::vector<std::string> Problems(const std::function<void()>& load) {
  try {
    load();
  } catch (const InventoryError& error) {
    return error.Problems();
  }
  return {};
}

TEST(Inventory, HostsInheritDefaultsThenGroupsInFileOrderAndPasswordsComeFromWhereTheySay) {
  const std::string dir = ::testing::TempDir();
  std::ofstream(dir + "fleet-pw.txt") << "FromFile\r\n";
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
  // In the file's order, not the names'; zeta's later group wins; alpha's own password wins,
  // though its groups come after it.
  std::vector<std::string> shown;
  for (const auto& host : inventory.Hosts()) {
    shown.push_back(host.name + " " + std::to_string(host.port) + " " + host.serial.value_or("-") +
                    " " + std::to_string(host.baud) + " " + std::to_string(*host.timeoutMs) + " " +
                    host.password.value_or("-"));
  }
  EXPECT_EQ(shown, (std::vector<std::string>{"zeta 2323 - 9600 800 Floor",
                                             "alpha 2323 /dev/ttyUSB0 19200 700 FromEnv",
                                             "mid 2323 - 9600 900 FromFile"}));

  EXPECT_EQ(inventory.Select({"mid", "floor1"}), (std::vector<std::size_t>{0, 1, 2}));
  EXPECT_EQ(inventory.Select({"colour"}), (std::vector<std::size_t>{0}));
  EXPECT_THROW(inventory.Select({"alpha", "nowhere"}), std::invalid_argument);
}

TEST(Inventory, LimitsNameWhatTheyMissAndEmptyFilesAreNoHosts) {
  const std::string dir = ::testing::TempDir();
  const auto inventory =
      Inventory::Parse("[groups.lab]\nport = 24\n[hosts.a]\naddress = \"a\"\n", dir + "i.toml");
  for (const auto& [limit, message] : std::vector<std::pair<std::string, std::string>>{
           {"lab", "--limit: no host is in group 'lab'"},
           {"nowhere", "--limit: no host or group named 'nowhere'"}}) {
    EXPECT_THAT([&] { inventory.Select({limit}); },
                ::testing::ThrowsMessage<std::invalid_argument>(message));
  }
  const std::string longest(250, 'n');  // the longest name a host may have
  EXPECT_EQ(Inventory::Parse("[hosts." + longest + "]\naddress = \"a\"\n", dir + "l.toml")
                .Hosts()[0]
                .name,
            longest);
  std::ofstream(dir + "empty.toml").flush();
  EXPECT_EQ(Problems([&] { Inventory::Load(dir + "empty.toml"); }),
            std::vector<std::string>{dir + "empty.toml:1:1: no hosts: add a [hosts.NAME] table"});
}

TEST(Inventory, EveryProblemIsReportedWithItsPlaceInFileOrder) {
  unsetenv("PELMORA_FLEET_TEST_UNSET");
  const auto noColon = [](const std::string& address) -> std::optional<std::string> {
    if (address.find(':') == std::string::npos) return std::nullopt;
    return "bad address '" + address + "'";
  };
  const std::string emptyFile = ::testing::TempDir() + "empty-pw.txt";
  std::ofstream(emptyFile).flush();
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
[hosts.f]
address = 5
password = { env = 5 }
[hosts.g]
address = "g"
password = { file = 5 }
[hosts.h]
address = "h"
password = { env = "A", file = "B" }
[hosts.i]
address = "i"
password = { file = ")" + emptyFile +
                           "\" }\n[hosts." + std::string(251, 'n') + "]\naddress = \"n\"\n";
  const std::string forms = R"(password must be a text, { env = "NAME" } or { file = "PATH" })";
  const std::vector<std::string> expected{
      "inv.toml:2:8: port must be a whole number from 1 to 65535",
      "inv.toml:3:1: unknown default 'colour' (port, timeout, password, baud, framing-delay)",
      "inv.toml:5:11: bad address 'x:y'",
      "inv.toml:6:8: host 'b' has both an address and a serial device; keep one",
      "inv.toml:9:8: host name 'c/d' may hold only letters, digits, '.', '_' and '-', at most 250",
      "inv.toml:11:11: group 'a' has the name of a host",
      "inv.toml:11:16: a group is a name of letters, digits, '.', '_' and '-'",
      "inv.toml:12:20: environment variable 'PELMORA_FLEET_TEST_UNSET' is not set",
      "inv.toml:13:8: host 'e' needs an address or a serial device",
      "inv.toml:14:11: timeout must be a whole number from 1 to 2147483647",
      "inv.toml:16:1: unknown setting 'colour' in group 'lab' (port, timeout, password, baud, "
      "framing-delay)",
      "inv.toml:18:11: address must be a text that is not empty",
      "inv.toml:19:12: " + forms,
      "inv.toml:22:12: " + forms,
      "inv.toml:25:12: " + forms,
      "inv.toml:28:12: the password is empty",
      "inv.toml:29:8: host name '" + std::string(40, 'n') +
          "...' may hold only letters, digits, '.', '_' and '-', at most 250",
  };
  EXPECT_EQ(Problems([&] { Inventory::Parse(text, "inv.toml", noColon); }), expected);
  const auto syntax = Problems([] { Inventory::Parse("[hosts.a\naddress = 1", "bad.toml"); });
  ASSERT_EQ(syntax.size(), 1u);
  EXPECT_TRUE(syntax[0].starts_with("bad.toml:1:")) << syntax[0];
}

}  // namespace
}  // namespace pelmora
