#include "CommandLine.h"

#include <CLI/CLI.hpp>
#include <iostream>
#include <limits>

#include "ExitCode.h"
#include "UsageError.h"
#include "pelmora/Version.h"

namespace pelmora::cli {

namespace {

constexpr int kSimPort = 2323;

constexpr const char* kDescription =
    "Read and change the settings of a wireless print server through its configuration shell.\n"
    "Without a target, the commands go to the embedded simulated print server.";

struct Parser {
  CLI::App app{kDescription, "pelmora"};
  Invocation invocation;
  std::string host;
  std::string serial;
  int baud = Target::kBaudRate;
  bool sim = false;
  std::int32_t timeout = 0;
  std::int32_t framingDelay = 0;
  std::string password;
  std::string logPath;
  std::string simPassword;
  std::string inventoryPath;
  std::string shard;
  std::string logDir;
  std::string writeInventory;
  std::string outDir;
  std::string profile;

  Parser() {
    app.fallthrough();
    app.require_subcommand(1);
    AddTargets();
    AddOptions();
    AddFleetOptions();
    AddCommands();
  }

  void AddTargets() {
    auto* hostOption =
        app.add_option("--host", host, "print server over telnet, HOST[:PORT] (port 23)")
            ->type_name("HOST[:PORT]");
    auto* serialOption =
        app.add_option("--serial", serial, "print server on a serial line")->type_name("DEVICE");
    auto* baudOption = app.add_option("--baud", baud, "baud rate of the serial line (9600)")
                           ->check(CLI::PositiveNumber)
                           ->needs(serialOption);
    auto* simFlag = app.add_flag("--sim", sim, "the embedded simulated print server (default)");
    hostOption->excludes(serialOption)->excludes(simFlag);
    serialOption->excludes(simFlag);
    baudOption->type_name("N");
  }

  void AddOptions() {
    app.add_option("--password", password, "log in before the command when the shell is read-only")
        ->type_name("PW");
    app.add_option("--timeout", timeout, "time limit per shell command (10000)")
        ->check(CLI::PositiveNumber)
        ->type_name("MS");
    app.add_option("--framing-delay", framingDelay,
                   "wait this long for more of an answer before taking it (10); 0 takes it as "
                   "soon as it ends with a prompt")
        ->check(CLI::Range(0, std::numeric_limits<std::int32_t>::max()))
        ->type_name("MS");
    app.add_flag("--json", invocation.json, "machine-readable output on stdout");
    app.add_option("--log", logPath, "transcript of the dialogue; secrets are masked")
        ->type_name("FILE");
    app.add_flag("--no-progress", invocation.noProgress, "no progress display");
    app.set_version_flag(
        "--version",
        [] {
          return std::string("pelmora " PELMORA_VERSION " (library ") + LibraryVersion() + ")";
        },
        "the tool's and the library's version");
  }

  void AddFleetOptions() {
    auto* inventoryOption = app.add_option("--inventory", inventoryPath,
                                           "run the command on every host of an inventory")
                                ->type_name("FILE");
    for (const char* single : {"--host", "--serial", "--sim"}) {
      inventoryOption->excludes(app.get_option(single));
    }
    const auto fleetOnly = [&](CLI::Option* option) { option->needs(inventoryOption); };
    fleetOnly(app.add_option("--limit", invocation.limits, "only this host or group (repeatable)")
                  ->type_name("NAME|GROUP"));
    fleetOnly(app.add_option("--workers", invocation.workers, "hosts served at once (16)")
                  ->check(CLI::PositiveNumber)
                  ->type_name("N"));
    fleetOnly(app.add_option("--shard", shard, "only the K-th of N shares of the hosts")
                  ->type_name("K/N"));
    fleetOnly(app.add_option("--retries", invocation.retries,
                             "tries again a host whose session could not be opened (0)")
                  ->check(CLI::NonNegativeNumber)
                  ->type_name("N"));
    fleetOnly(app.add_option("--log-dir", logDir, "one transcript per host, DIR/NAME.log")
                  ->type_name("DIR"));
  }

  CLI::App* Command(const std::string& name, const std::string& description) {
    auto* command = app.add_subcommand(name, description);
    command->callback([this, name] { invocation.command = name; });
    return command;
  }

  void AddCommands() {
    auto& args = invocation.arguments;
    Command("get", "read a setting, or all of them")
        ->add_option("NAME", args, "setting name, or all")
        ->required()
        ->expected(1);
    Command("set", "change a setting")
        ->add_option("NAME VALUE", args, "setting name and value(s); wep-key takes KEYNUMBER VALUE")
        ->required()
        ->expected(2, 3);
    Command("show", "show a status report")
        ->add_option("REPORT", args, "version, ip or wireless")
        ->required()
        ->expected(1)
        ->check(CLI::IsMember({"version", "ip", "wireless"}));
    Command("cmd", "run one shell command line and print its answer")
        ->add_option("LINE", args, "the command line (words are joined by blanks)")
        ->required()
        ->expected(1, -1);
    Command("save", "make the settings permanent");
    Command("reset", "restart the print server");
    Command("login", "leave the shell's read-only state")
        ->add_option("PASSWORD", args, "the shell password")
        ->required()
        ->expected(1);
    Command("logoff", "leave the shell");
    Command("readonly", "tell whether the shell is read-only");
    Command("settings", "list the settings: names, types, words, get and set");
    Command("shell", "interactive session with the print server's shell");
    auto* backupCommand =
        Command("backup", "write every readable setting as a profile (secrets are never written)");
    auto* backupFile =
        backupCommand->add_option("FILE", args, "the profile to write (stdout without FILE)")
            ->expected(0, 1);
    backupCommand
        ->add_option("--out-dir", outDir, "with --inventory: one profile per host, DIR/NAME.toml")
        ->type_name("DIR")
        ->excludes(backupFile);
    Command("diff", "compare the print server with a profile: exit 0 same, 3 it would change")
        ->add_option("FILE", args, "the profile (TOML, or JSON of the same shape)")
        ->required()
        ->expected(1);
    auto* applyCommand =
        Command("apply", "bring the print server to a profile, verifying each change");
    applyCommand->add_option("FILE", args, "the profile (TOML, or JSON of the same shape)")
        ->required()
        ->expected(1);
    applyCommand->add_flag("--dry-run", invocation.dryRun, "only show what would change (diff)");
    applyCommand->add_flag("--save", invocation.save, "save when every change was verified");
    applyCommand->add_flag("--no-rollback", invocation.noRollback,
                           "after a failure, keep the settings already changed");
    auto* simCommand = Command("sim", "serve the simulated print server over telnet");
    simCommand->add_option("--listen", invocation.listen, "address to listen on (127.0.0.1:2323)")
        ->type_name("HOST:PORT");
    simCommand->add_option("--password", simPassword, "shell password of the simulated server")
        ->type_name("PW");
    simCommand->add_option("--count", invocation.simCount, "print servers on consecutive ports (1)")
        ->check(CLI::Range(std::size_t{1}, std::size_t{65535}))
        ->type_name("N");
    simCommand->add_option("--write-inventory", writeInventory, "an inventory of the servers")
        ->type_name("FILE");
    auto* exporterCommand =
        Command("exporter", "serve Prometheus metrics of an inventory's print servers over HTTP");
    exporterCommand
        ->add_option("--listen", invocation.exporterListen, "address to listen on (127.0.0.1:9877)")
        ->type_name("HOST:PORT");
    exporterCommand
        ->add_option("--profile", profile, "report the settings that differ from this profile")
        ->type_name("FILE");
  }

  void Finish() {
    // An empty name (a script's unset variable) must not fall back to the simulator's answers.
    if (app.count("--host") > 0) invocation.target = Target::Host(host);
    if (app.count("--serial") > 0) {
      invocation.target = Target::Serial(serial, baud);
      invocation.target.Check();
    }
    if (app.count("--password") > 0) invocation.password = password;
    if (app.count("--timeout") > 0) invocation.timeoutMs = timeout;
    if (app.count("--framing-delay") > 0) invocation.framingDelayMs = framingDelay;
    if (app.count("--log") > 0) invocation.logPath = logPath;
    if (auto* simCommand = app.get_subcommand("sim"); simCommand->count("--password") > 0) {
      // An inventory refuses an empty password, so a server with one could not be reached.
      if (simPassword.empty()) throw UsageError("sim --password: the password is empty");
      invocation.simPassword = simPassword;
    }
    if (app.count("--inventory") > 0) invocation.inventory = inventoryPath;
    if (app.count("--shard") > 0) invocation.shard = shard;
    if (app.count("--log-dir") > 0) invocation.logDir = logDir;
    if (app.get_subcommand("backup")->count("--out-dir") > 0) {
      if (!invocation.inventory)
        throw UsageError("--out-dir needs --inventory; give a FILE instead");
      invocation.outDir = outDir;
    }
    if (app.get_subcommand("sim")->count("--write-inventory") > 0) {
      invocation.writeInventory = writeInventory;
    }
    if (app.get_subcommand("exporter")->count("--profile") > 0) invocation.profile = profile;
    if (invocation.command == "exporter" && !invocation.inventory) {
      throw UsageError("exporter needs --inventory FILE");
    }
    if (invocation.command == "sim" && invocation.inventory) {
      throw UsageError(
          "sim serves print servers and takes no --inventory; "
          "sim --write-inventory FILE writes one");
    }
    if (invocation.command == "sim") {
      invocation.target = Target::Host(invocation.listen, kSimPort, true);
    }
  }
};

}  // namespace

std::optional<Invocation> CommandLine::Parse(int argc, const char* const* argv) {
  Parser parser;
  try {
    parser.app.parse(argc, argv);
    parser.Finish();
    return parser.invocation;
  } catch (const CLI::Success& help) {
    exitStatus_ = parser.app.exit(help);
  } catch (const CLI::ParseError& error) {
    std::cerr << "pelmora: " << error.what() << "\nRun 'pelmora --help' for more information.\n";
    exitStatus_ = ExitCode::kUsageError;
  } catch (const UsageError& error) {
    std::cerr << "pelmora: " << error.what() << "\n";
    exitStatus_ = ExitCode::kUsageError;
  } catch (const TargetError& error) {
    std::cerr << "pelmora: " << error.what() << "\n";
    exitStatus_ = ExitCode::kUsageError;
  }
  return std::nullopt;
}

}  // namespace pelmora::cli
