#include "pelmora/catalog/Plan.h"

#include <nlohmann/json.hpp>

#include "pelmora/catalog/CatalogError.h"
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
// also makes it the active key), so the active key it had is selected again afterwards.
void WriteWepKey(PelmoraT2& device, const PlanStep& step) {
  const std::int32_t active = device.GetActiveKey();
  step.setting->SetKey(device, *step.key, step.to.AsText());
  if (active != *step.key && active >= Key1 && active <= Key4) device.SetActiveKey(active);
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
  return from ? Shown(*from) : "-";
}

std::string PlanStep::ToText() const {
  return setting->secret ? kSecretText : Shown(to);
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
    } else {
      step.from = entry.setting->Get(device);
      step.action =
          entry.setting->Matches(*step.from, entry.value) ? PlanAction::Keep : PlanAction::Change;
    }
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

bool Plan::Apply(PelmoraT2& device, bool save) {
  applied_ = true;
  for (auto& step : steps_) {
    if (step.action == PlanAction::Keep) {
      step.result = StepResult::Kept;
    } else if (failure_) {
      step.result = StepResult::NotAttempted;
    } else {
      try {
        if (step.key) {
          WriteWepKey(device, step);
        } else {
          step.setting->Set(device, step.to);
        }
        step.result = StepResult::Sent;
        if (step.action == PlanAction::Change) {
          step.readBack = step.setting->Get(device);
          if (!step.setting->Matches(*step.readBack, step.to)) throw ReadBackDiffers(step);
          step.result = StepResult::Verified;
        }
      } catch (const AutomationError& error) {
        step.result = StepResult::Failed;
        step.error = error;
        failure_ = error;
      }
    }
  }
  if (failure_ || !save) return !failure_;
  try {
    device.SaveSettings();
    saved_ = true;
  } catch (const AutomationError& error) {
    failure_ = error;
  }
  return saved_;
}

std::string Plan::Json() const {
  JsonValue changes = JsonValue::array();
  bool stepFailed = false;
  for (const auto& step : steps_) {
    stepFailed = stepFailed || step.error.has_value();
    JsonValue change{{"name", step.Name()},
                     {"from", ValueJson(step.from, *step.setting)},
                     {"to", ValueJson(step.to, *step.setting)},
                     {"action", ToString(step.action)}};
    if (applied_) change["result"] = ToString(step.result);
    if (step.error) change["error"] = ErrorJson(*step.error);
    changes.push_back(std::move(change));
  }
  JsonValue document{{"changes", std::move(changes)}};
  if (applied_) document["saved"] = saved_;
  // Every step went well and the save failed.
  if (failure_ && !stepFailed) document["error"] = ErrorJson(*failure_);
  return document.dump(2);
}

}  // namespace pelmora
