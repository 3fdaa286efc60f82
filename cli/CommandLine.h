#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "pelmora/catalog/Profile.h"
#include "pelmora/session/Target.h"

namespace pelmora::cli {

// What the command line asks for.
struct Invocation {
  Target target;
  std::optional<std::string> password;
  std::optional<std::int32_t> timeoutMs;
  std::optional<std::int32_t> framingDelayMs;
  bool json = false;
  std::optional<std::string> logPath;
  bool noProgress = false;

  // get, set, show, cmd, save, reset, login, logoff, readonly, settings, shell, backup, diff,
  // apply, sim or exporter.
  std::string command;
  std::vector<std::string> arguments;

  // diff and apply: the profile read once for a whole fleet (its secrets too), so that every
  // host gets the same plan even when the file changes during the run; none: read from FILE.
  std::shared_ptr<const Profile> preparedProfile;

  // apply only.
  bool dryRun = false;
  bool save = false;
  bool noRollback = false;  // keep what a failed apply changed

  // sim only; the address it is parsed into replaces the target.
  std::string listen = "127.0.0.1:2323";
  std::optional<std::string> simPassword;
  std::size_t simCount = 1;
  std::optional<std::string> writeInventory;

  // exporter only: where it listens (sim's --listen has a default of its own) and the profile
  // that probes compare with.
  std::string exporterListen = "127.0.0.1:9877";
  std::optional<std::string> profile;

  // A fleet: the inventory replaces the single target.
  std::optional<std::string> inventory;
  std::vector<std::string> limits;
  std::size_t workers = 16;
  std::optional<std::string> shard;
  std::int32_t retries = 0;
  std::optional<std::string> logDir;
  std::optional<std::string> outDir;  // backup: DIR/NAME.toml per host
};

// Parses the tool's command line:
//   pelmora [TARGET] [OPTIONS] COMMAND [ARGS]
// Help is printed to stdout; a usage error goes to stderr and means exit status 2.
class CommandLine {
 public:
  // The invocation, or nothing when the tool ends at once with ExitStatus().
  std::optional<Invocation> Parse(int argc, const char* const* argv);
  int ExitStatus() const noexcept { return exitStatus_; }

 private:
  int exitStatus_ = 0;
};

}  // namespace pelmora::cli
