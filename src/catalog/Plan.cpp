#include "pelmora/catalog/Plan.h"

#include <nlohmann/json.hpp>

#include "pelmora/catalog/CatalogError.h"
#include "pelmora/catalog/SettingsCatalog.h"
#include "pelmora/catalog/Utf8Text.h"
#include "pelmora/platform/ErrorNumbers.h"

namespace pelmora {

namespace {

using JsonValue = nlohmann::ordered_json;

constexpr const char* kSecretText = "(secret)";

// An empty text shows as "" so that a line still has its two values.
std::string Shown(const SettingValue& value) {
  const std::string text = value.Text();
  return text.empty() ? "\"\"" : text;
}

// A value as a profile writes it: the word of an enumerated value, else the value itself.
JsonValue ValueJson(const std::optional<SettingValue>& value, const Setting& setting) {
  if (!value || setting.secret) return nullptr;
  if (value->word) return *value->word;
  if (value->IsText()) return Utf8Text::FromBytes(value->AsText());
  return value->AsNumber();
}

JsonValue ErrorJson(const AutomationError& error) {
  return JsonValue{{"number", error.Number()},
                   {"source", Utf8Text::FromBytes(error.Source())},
                   {"description", Utf8Text::FromBytes(error.Description())}};
}

// Writes one WEP key. The device selects the key's slot to write it (the line SET NW KEY#, which
// also makes it the active key), so the active key it had is selected again afterwards, also
// when the key itself was refused.
void WriteWepKey(PelmoraT2& device, const PlanStep& step) {
  const std::int32_t active = device.GetActiveKey();
  const bool reselect = active != *step.key && active >= Key1 && active <= Key4;
  try {
    step.setting->SetKey(device, *step.key, step.to.AsText());
  } catch (const AutomationError& error) {
    if (!reselect || SettingsCatalog::EndsTheSession(error)) throw;
    try {
      device.SetActiveKey(active);
    } catch (const AutomationError&) {
      throw AutomationError(error.Number(), error.Source(),
                            error.Description() + "; the active key stays " +
                                std::to_string(*step.key) + " instead of " +
                                std::to_string(active));
    }
    throw;
  }
  if (reselect) device.SetActiveKey(active);
}

// Sets a changed step back to its earlier value and reads it back. True when the session ended
// on the way.
bool Restore(PelmoraT2& device, PlanStep& step) {
  try {
    step.setting->Set(device, step.setting->Settable(*step.from));
    const SettingValue back = step.setting->Get(device);
    if (step.setting->Matches(back, *step.from)) {
      step.result = StepResult::RolledBack;
    } else {
      step.why = "read back as " + Utf8Text::Printable(back.Text());
    }
    return false;
  } catch (const AutomationError& error) {
    step.why =
        "error " + std::to_string(error.Number()) + ": " + Utf8Text::Printable(error.Description());
    return SettingsCatalog::EndsTheSession(error);
  }
}

AutomationError SessionEnded() {
  return AutomationError(errors::kSessionEnded, "Connection", "the device ended the session");
}

AutomationError ReadBackDiffers(const PlanStep& step) {
  return AutomationError(
      errors::kLibraryError, "apply " + step.Name(),
      "read back as '" + step.readBack->Text() + "' instead of '" + step.to.Text() + "'");
}

}  // namespace

std::string PlanStep::Name() const {
  return std::string(setting->name) + (key ? " " + std::to_string(*key) : "");
}

std::string PlanStep::FromText() const {
  if (setting->secret) return "-";
  return from ? Shown(*from) : "unknown";
}

std::string PlanStep::ToText() const {
  return setting->secret ? kSecretText : Shown(to);
}

std::string PlanStep::ResultText() const {
  return ToString(result) + (why.empty() ? "" : ": " + why);
}

std::string ToString(PlanAction action) {
  switch (action) {
    case PlanAction::Change:
      return "change";
    case PlanAction::Send:
      return "send";
    case PlanAction::Keep:
      break;
  }
  return "keep";
}

std::string ToString(StepResult result) {
  switch (result) {
    case StepResult::Kept:
      return "kept";
    case StepResult::Verified:
      return "verified";
    case StepResult::Sent:
      return "sent";
    case StepResult::Failed:
      return "failed";
    case StepResult::NotAttempted:
      return "not attempted";
    case StepResult::RolledBack:
      return "rolled back";
    case StepResult::NotRestored:
      return "not restored";
    case StepResult::Planned:
      break;
  }
  return "planned";
}

Plan Plan::Make(PelmoraT2& device, const Profile& profile) {
  if (!profile.IsValid()) {
    throw CatalogError(CatalogError::Kind::BadValue,
                       profile.Name() + ": the profile has problems and cannot be planned");
  }
  Plan plan;
  for (const auto& entry : profile.Entries()) {
    PlanStep step;
    step.setting = entry.setting;
    step.key = entry.key;
    step.to = entry.value;
    if (entry.setting->secret) {
      step.action = PlanAction::Send;
      plan.steps_.push_back(std::move(step));
      continue;
    }
    try {
      step.from = entry.setting->Get(device);
      if (step.from->Unrecognized()) step.from.reset();
    } catch (const AutomationError& error) {
      if (SettingsCatalog::EndsTheSession(error)) throw;
      step.readError = error;
    }
    const bool same = step.from && entry.setting->Matches(*step.from, entry.value);
    step.action = same ? PlanAction::Keep : PlanAction::Change;
    plan.steps_.push_back(std::move(step));
  }
  return plan;
}

bool Plan::HasChanges() const noexcept {
  for (const auto& step : steps_) {
    if (step.action == PlanAction::Change) return true;
  }
  return false;
}

bool Plan::Apply(PelmoraT2& device, bool save, bool rollback,
                 const SessionCount& physicalSessions) {
  applied_ = true;
  const std::uint64_t session = physicalSessions ? physicalSessions() : 0;
  for (auto& step : steps_) {
    if (step.action == PlanAction::Keep) {
      step.result = StepResult::Kept;
    } else if (failure_) {
      step.result = StepResult::NotAttempted;
    } else {
      RunStep(device, step);
      if (!failure_ && physicalSessions && physicalSessions() != session) {
        Fail(step, SessionEnded());
      }
    }
  }
  if (failure_ && rollback) Rollback(device, physicalSessions, session);
  if (failure_ || !save) return !failure_;
  try {
    device.SaveSettings();
    saved_ = true;
  } catch (const AutomationError& error) {
    failure_ = error;
  }
  return saved_;
}

void Plan::RunStep(PelmoraT2& device, PlanStep& step) {
  try {
    // Marked first: a setter that fails half way may still have changed the setting.
    step.written = true;
    if (step.key) {
      WriteWepKey(device, step);
    } else {
      step.setting->Set(device, step.to);
    }
    step.result = StepResult::Sent;
    if (step.action == PlanAction::Change && step.setting->CanGet()) {
      step.readBack = step.setting->Get(device);
      if (!step.setting->Matches(*step.readBack, step.to)) throw ReadBackDiffers(step);
      step.result = StepResult::Verified;
    }
  } catch (const AutomationError& error) {
    // A setter the device refused changed nothing; any other error may have come after it.
    if (step.result == StepResult::Planned && error.Number() == errors::kDeviceReportedError) {
      step.written = false;
    }
    Fail(step, error);
  }
}

void Plan::Fail(PlanStep& step, const AutomationError& error) {
  step.result = StepResult::Failed;
  step.error = error;
  failure_ = error;
}

void Plan::Rollback(PelmoraT2& device, const SessionCount& physicalSessions,
                    std::uint64_t session) {
  bool ended = SettingsCatalog::EndsTheSession(*failure_);
  for (auto step = steps_.rbegin(); step != steps_.rend(); ++step) {
    if (!step->written) continue;
    ended = ended || (physicalSessions && physicalSessions() != session);
    step->result = StepResult::NotRestored;
    if (step->setting->secret) {
      step->why = "a secret cannot be restored";
    } else if (!step->from) {
      step->why = "its earlier value is unknown";
    } else if (ended) {
      step->why = "the session ended";
    } else {
      ended = Restore(device, *step);
    }
  }
}

std::string Plan::Json() const {
  JsonValue changes = JsonValue::array();
  for (const auto& step : steps_) {
    JsonValue change{{"name", step.Name()},
                     {"from", ValueJson(step.from, *step.setting)},
                     {"to", ValueJson(step.to, *step.setting)},
                     {"action", ToString(step.action)}};
    if (applied_) change["result"] = step.ResultText();
    if (step.error) change["error"] = ErrorJson(*step.error);
    changes.push_back(std::move(change));
  }
  JsonValue document{{"changes", std::move(changes)}};
  if (applied_) document["saved"] = saved_;
  return document.dump(2);
}

}  // namespace pelmora
