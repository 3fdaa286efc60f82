#include "ProfileCommands.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <stdexcept>

#include "ExitCode.h"
#include "UsageError.h"
#include "pelmora/catalog/Backup.h"
#include "pelmora/catalog/Profile.h"

namespace pelmora::cli {

namespace {

// Writes next to the file and renames, so that a failed run leaves an earlier backup whole.
void WriteFile(const std::string& path, const std::string& text) {
  const std::string partial = path + ".partial";
  std::ofstream file(partial, std::ios::binary | std::ios::trunc);
  file << text;
  file.close();
  if (!file || std::rename(partial.c_str(), path.c_str()) != 0) {
    std::remove(partial.c_str());
    throw std::runtime_error("cannot write the profile " + path);
  }
}

}  // namespace

ProfileCommands::Action ProfileCommands::Prepare(const Invocation& invocation,
                                                 OutputWriter& writer) {
  if (invocation.command == "backup") return Backup(invocation, writer);
  std::shared_ptr<const Profile> profile = invocation.preparedProfile;
  if (!profile)
    profile = std::make_shared<const Profile>(Profile::Load(invocation.arguments.at(0)));
  if (!profile->IsValid()) {
    writer.Problems(profile->Problems());
    throw UsageError(profile->Name() + ": " + std::to_string(profile->Problems().size()) +
                     " problem(s); nothing was sent");
  }
  const bool apply = invocation.command == "apply" && !invocation.dryRun;
  const bool save = invocation.save;
  const bool rollback = !invocation.noRollback;
  return [profile, apply, save, rollback, &writer](DeviceSession& session) {
    for (const auto& secret : profile->Secrets()) session.HideFromTranscript(secret);
    Plan plan = Plan::Make(session.Device(), *profile);
    if (!apply) {
      writer.Changes(plan, false);
      return plan.HasChanges() ? ExitCode::kWouldChange : ExitCode::kSuccess;
    }
    Session& underlying = session.Underlying();
    const bool done = plan.Apply(session.Device(), save, rollback,
                                 [&underlying] { return underlying.PhysicalSessions(); });
    writer.Changes(plan, true);
    if (done) return ExitCode::kSuccess;
    if (plan.Failure()) writer.Failure(*plan.Failure());
    return ExitCode::kFailed;
  };
}

ProfileCommands::Action ProfileCommands::Backup(const Invocation& invocation,
                                                OutputWriter& writer) {
  std::optional<std::string> file;
  if (!invocation.arguments.empty()) file = invocation.arguments[0];
  return [file, json = invocation.json, target = invocation.target.Describe(),
          &writer](DeviceSession& session) {
    const auto backup = pelmora::Backup::Read(session.Device());
    const std::string text =
        json ? backup.Json() : backup.Toml(target, std::chrono::system_clock::now());
    if (file) {
      WriteFile(*file, text);
      if (json) writer.BackupWritten(*file, backup.Settings());
    } else {
      writer.Document(text);
    }
    for (const auto& entry : backup.Entries()) {
      if (entry.error) writer.SettingError(*entry.setting, *entry.error);
    }
    return backup.Complete() ? ExitCode::kSuccess : ExitCode::kFailed;
  };
}

}  // namespace pelmora::cli
