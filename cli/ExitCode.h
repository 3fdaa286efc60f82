#pragma once

namespace pelmora::cli {

// The tool's exit statuses, the same for one target and for an inventory's hosts.
struct ExitCode {
  static constexpr int kSuccess = 0;
  // An automation error; for an inventory, any host failed or the run was interrupted.
  static constexpr int kFailed = 1;
  // A usage error, a bad profile or a bad inventory: nothing was sent.
  static constexpr int kUsageError = 2;
  // diff (and apply --dry-run): every answer came and something would change.
  static constexpr int kWouldChange = 3;
};

}  // namespace pelmora::cli
