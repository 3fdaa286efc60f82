#include "CommandRunner.h"

#include <unistd.h>

#include <iostream>
#include <stdexcept>
#include <utility>

#include "ExitCode.h"
#include "InteractiveShell.h"
#include "ProfileCommands.h"
#include "UsageError.h"
#include "pelmora/catalog/CatalogError.h"
#include "pelmora/catalog/SettingsCatalog.h"
#include "pelmora/catalog/Utf8Text.h"
#include "pelmora/platform/ErrorNumbers.h"

namespace pelmora::cli {

namespace {

std::string Joined(const std::vector<std::string>& words) {
  std::string line;
  for (const auto& word : words) line += (line.empty() ? "" : " ") + word;
  return line;
}

}  // namespace

CommandRunner::CommandRunner(Invocation invocation)
    : CommandRunner(std::move(invocation), std::cout, std::cerr) {}

CommandRunner::CommandRunner(Invocation invocation, std::ostream& out, std::ostream& err,
                             std::shared_ptr<CancelToken> cancel)
    : invocation_(std::move(invocation)),
      err_(err),
      writer_(invocation_.json, out, err),
      cancel_(cancel ? std::move(cancel) : std::make_shared<CancelToken>()) {}

void CommandRunner::WatchSignals(SignalWatcher& watcher) {
  watcher_ = &watcher;
  watcher.OnSignal([cancel = cancel_] { cancel->Cancel(); });
}

bool CommandRunner::CheckUsage() {
  return PrepareOrExplain().has_value();
}

int CommandRunner::Run() {
  const auto action = PrepareOrExplain();
  if (!action) return ExitCode::kUsageError;
  if (!*action) {
    writer_.Settings(SettingsCatalog::All());
    return ExitCode::kSuccess;
  }
  return Execute(*action);
}

// A setting the catalog refuses (unknown, read-only, a bad value) is as much a usage error as an
// unknown command: both are told on the run's own error stream, which a fleet keeps per host.
std::optional<CommandRunner::Action> CommandRunner::PrepareOrExplain() {
  try {
    return Prepare();
  } catch (const UsageError& error) {
    err_ << "pelmora: " << error.what() << '\n';
  } catch (const CatalogError& error) {
    err_ << "pelmora: " << error.what() << '\n';
  }
  return std::nullopt;
}

CommandRunner::Action CommandRunner::Prepare() {
  const std::string& command = invocation_.command;
  if (command == "get") return PrepareGet();
  if (command == "set") return PrepareSet();
  if (command == "show") return PrepareShow();
  if (command == "settings") return nullptr;
  if (command == "backup" || command == "diff" || command == "apply") {
    return ProfileCommands::Prepare(invocation_, writer_);
  }
  auto ok = [this](void (PelmoraT2::*dialogue)()) -> Action {
    return [this, dialogue](DeviceSession& session) {
      (session.Device().*dialogue)();
      writer_.Ok();
      return ExitCode::kSuccess;
    };
  };
  if (command == "save") return ok(&PelmoraT2::SaveSettings);
  if (command == "reset") return ok(&PelmoraT2::ResetPrintServer);
  if (command == "logoff") return ok(&PelmoraT2::Logoff);
  if (command == "login") {
    return [this, password = invocation_.arguments.at(0)](DeviceSession& session) {
      session.Login(password);
      writer_.Ok();
      return ExitCode::kSuccess;
    };
  }
  if (command == "readonly") {
    return [this](DeviceSession& session) {
      writer_.ReadOnly(session.Device().IsReadOnlyMode());
      return ExitCode::kSuccess;
    };
  }
  if (command == "cmd") {
    return [this, line = Joined(invocation_.arguments)](DeviceSession& session) {
      writer_.Reply(session.Device().Command(line + "\r", session.Progress()));
      return ExitCode::kSuccess;
    };
  }
  if (command == "shell") {
    return [this](DeviceSession& session) {
      session.Underlying().AllowReopen(true);
      std::function<void()> acknowledge;
      if (watcher_) acknowledge = [watcher = watcher_] { watcher->Acknowledge(); };
      return InteractiveShell(session, invocation_.target.Describe(), acknowledge).Run();
    };
  }
  throw UsageError("unknown command '" + command + "'");
}

CommandRunner::Action CommandRunner::PrepareGet() {
  const std::string& name = invocation_.arguments.at(0);
  if (name == "all") return [this](DeviceSession& session) { return GetAll(session); };
  const Setting& setting = SettingsCatalog::At(name);
  if (!setting.CanGet()) throw UsageError(std::string(setting.name) + " can only be set");
  return [this, &setting](DeviceSession& session) {
    writer_.Value(setting, setting.Get(session.Device()));
    return ExitCode::kSuccess;
  };
}

CommandRunner::Action CommandRunner::PrepareSet() {
  const Setting& setting = SettingsCatalog::At(invocation_.arguments.at(0));
  const std::vector<std::string> values(invocation_.arguments.begin() + 1,
                                        invocation_.arguments.end());
  const SettingsCatalog::Write write = SettingsCatalog::Bind(setting.name, values);
  // Bind took the value, so it has its bytes: the transcript hides those.
  const std::string hidden = setting.masked ? Utf8Text::ToBytes(values.back()).value() : "";
  return [this, hidden, write](DeviceSession& session) {
    if (!hidden.empty()) session.HideFromTranscript(hidden);
    write(session.Device());
    writer_.Ok();
    return ExitCode::kSuccess;
  };
}

CommandRunner::Action CommandRunner::PrepareShow() {
  const std::string& report = invocation_.arguments.at(0);
  if (report == "version") {
    return [this](DeviceSession& session) {
      writer_.Version(*session.Device().GetVersion());
      return ExitCode::kSuccess;
    };
  }
  if (report == "ip") {
    return [this](DeviceSession& session) {
      writer_.IP(*session.Device().GetIPInfo());
      return ExitCode::kSuccess;
    };
  }
  return [this](DeviceSession& session) {
    writer_.Wireless(*session.Device().GetWirelessInfo());
    return ExitCode::kSuccess;
  };
}

int CommandRunner::GetAll(DeviceSession& session) {
  std::vector<OutputWriter::Reading> readings;
  int status = ExitCode::kSuccess;
  for (const auto& setting : SettingsCatalog::All()) {
    if (!setting.CanGet()) continue;
    try {
      readings.push_back({&setting, setting.Get(session.Device()), std::nullopt});
    } catch (const AutomationError& error) {
      if (SettingsCatalog::EndsTheSession(error)) throw;
      readings.push_back({&setting, std::nullopt, error});
      status = ExitCode::kFailed;
    }
  }
  writer_.AllValues(readings);
  return status;
}

int CommandRunner::Execute(const Action& action) {
  std::unique_ptr<DeviceSession> session;
  try {
    session = OpenSession();
    if (invocation_.password) session->Login(*invocation_.password);
    return action(*session);
  } catch (const AutomationError& error) {
    lastError_ = error;
    sentAnything_ = session && session->SentAnything();
    writer_.Error(error);
    return ExitCode::kFailed;
  } catch (const UsageError& error) {
    err_ << "pelmora: " << error.what() << '\n';
    return ExitCode::kUsageError;
  } catch (const CatalogError& error) {
    err_ << "pelmora: " << error.what() << '\n';
    return ExitCode::kUsageError;
  } catch (const TargetError& error) {
    err_ << "pelmora: " << error.what() << '\n';
    return ExitCode::kUsageError;
  } catch (const std::exception& error) {
    // Not the library's own error, yet it ended the command: shown in the same forms.
    writer_.Error(AutomationError(errors::kInternalError, "pelmora", error.what()));
    return ExitCode::kFailed;
  }
}

std::unique_ptr<DeviceSession> CommandRunner::OpenSession() {
  Session::Options options;
  options.cancel = cancel_;
  if (invocation_.logPath) {
    try {
      options.transcript = std::make_shared<Transcript>(*invocation_.logPath);
    } catch (const std::runtime_error& error) {
      throw UsageError(error.what());
    }
  }
  Target target = invocation_.target;
  target.timeoutMs = invocation_.timeoutMs;
  target.framingDelayMs = invocation_.framingDelayMs;
  const bool drawProgress = !invocation_.noProgress && isatty(STDERR_FILENO) == 1;
  return std::make_unique<DeviceSession>(std::move(target), std::move(options), drawProgress);
}

}  // namespace pelmora::cli
