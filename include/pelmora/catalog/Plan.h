#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "pelmora/catalog/Profile.h"
#include "pelmora/catalog/Setting.h"
#include "pelmora/platform/AutomationError.h"

namespace pelmora {

enum class PlanAction {
  Keep,    // the device already has the value
  Change,  // the device has another value: set it and read it back
  Send     // a secret: it cannot be read, so it is always sent
};

enum class StepResult {
  Planned,      // not run (diff, apply --dry-run)
  Kept,         // nothing to do
  Verified,     // set, read back and equal
  Sent,         // a secret, sent; the device accepted it
  Failed,       // refused, read back different, or the session was lost
  NotAttempted  // an earlier step failed
};

// One setting of a plan: what the device has, what the profile wants, what to do and, once
// applied, how it went.
struct PlanStep {
  const Setting* setting = nullptr;
  std::optional<std::int32_t> key;   // wep-key: the key number
  std::optional<SettingValue> from;  // what the device has; nothing for a secret
  SettingValue to;                   // a secret's value stays here: print ToText()
  PlanAction action = PlanAction::Keep;
  StepResult result = StepResult::Planned;
  std::optional<SettingValue> readBack;  // after a change
  std::optional<AutomationError> error;  // of a failed step

  // The setting's name; "wep-key 2" for a key.
  std::string Name() const;
  // For output: the value as text ("" for the empty text), "(secret)" for a secret, "-" for
  // nothing known.
  std::string FromText() const;
  std::string ToText() const;
};

std::string ToString(PlanAction action);
std::string ToString(StepResult result);

// What a profile asks of one device, in catalog order: the value it has, the value wanted and
// the action. diff and apply --dry-run print it; apply carries it out, so the two cannot drift.
class Plan {
 public:
  // Reads the current value of every readable setting the profile names (nothing else) and
  // decides the actions. The profile must be valid (CatalogError otherwise). Automation errors
  // of the getters reach the caller.
  static Plan Make(PelmoraT2& device, const Profile& profile);

  const std::vector<PlanStep>& Steps() const noexcept { return steps_; }
  // Something would change; secrets, which are always sent, do not count.
  bool HasChanges() const noexcept;

  // Carries the plan out: sets each step to change or send in order and reads each changed
  // setting back. Stops at the first failure (the step is Failed, the rest NotAttempted) and
  // then saves nothing; with `save`, saves only when every step succeeded. True when every
  // step succeeded (and, with `save`, the save too).
  //
  // Writing a WEP key selects its slot on the device; the active key it had is set again
  // afterwards, so that keys can be given without disturbing it.
  bool Apply(PelmoraT2& device, bool save);
  bool Saved() const noexcept { return saved_; }
  // The error that stopped Apply (a step's, or the save's).
  const std::optional<AutomationError>& Failure() const noexcept { return failure_; }

  // {"changes": [{"name", "from", "to", "action", "result", "error"?}], "saved": BOOL} once
  // applied; {"changes": [{"name", "from", "to", "action"}]} before. Values as in a profile;
  // secrets as null.
  std::string Json() const;

 private:
  std::vector<PlanStep> steps_;
  bool applied_ = false;
  bool saved_ = false;
  std::optional<AutomationError> failure_;
};

}  // namespace pelmora
