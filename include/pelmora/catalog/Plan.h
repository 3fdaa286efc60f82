#pragma once

#include <cstdint>
#include <functional>
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
  Planned,       // not run (diff, apply --dry-run)
  Kept,          // nothing to do
  Verified,      // set, read back and equal
  Sent,          // a secret, sent; the device accepted it
  Failed,        // refused, read back different, or the session was lost
  NotAttempted,  // an earlier step failed
  RolledBack,    // changed, then set back to its earlier value after a failure and read back
  NotRestored    // changed, and a failure came, yet it could not be set back (see `why`)
};

// One setting of a plan: what the device has, what the profile wants, what to do and, once
// applied, how it went.
struct PlanStep {
  const Setting* setting = nullptr;
  std::optional<std::int32_t> key;   // wep-key: the key number
  std::optional<SettingValue> from;  // what the device has; nothing for a secret or unknown
  SettingValue to;                   // a secret's value stays here: print ToText()
  PlanAction action = PlanAction::Keep;
  StepResult result = StepResult::Planned;
  std::optional<SettingValue> readBack;  // after a change
  std::optional<AutomationError> error;  // of a failed step
  // The getter's error that left `from` unknown; the step then changes the setting anyway.
  std::optional<AutomationError> readError;
  // Something was sent to change the setting (so a rollback has something to undo).
  bool written = false;
  // NotRestored: why.
  std::string why;

  // The setting's name; "wep-key 2" for a key.
  std::string Name() const;
  // For output: the value as text ("" for the empty text), "(secret)" for a secret, "-" for
  // nothing known.
  std::string FromText() const;
  std::string ToText() const;
  // The result as output shows it: "not restored: the session ended".
  std::string ResultText() const;
};

std::string ToString(PlanAction action);
std::string ToString(StepResult result);

// What a profile asks of one device, in catalog order: the value it has, the value wanted and
// the action. diff and apply --dry-run print it; apply carries it out, so the two cannot drift.
class Plan {
 public:
  // Reads the current value of every readable setting the profile names (nothing else) and
  // decides the actions. The profile must be valid (CatalogError otherwise). A getter's error
  // that ends the session (SettingsCatalog::EndsTheSession) reaches the caller; after another,
  // or an unrecognized answer, the current value is unknown and the setting is changed.
  static Plan Make(PelmoraT2& device, const Profile& profile);

  const std::vector<PlanStep>& Steps() const noexcept { return steps_; }
  // Something would change; secrets, which are always sent, do not count.
  bool HasChanges() const noexcept;

  // Counts the physical sessions of a device's connection: a change of the count between two
  // readings means that the session the plan ran in ended and another one began.
  using SessionCount = std::function<std::uint64_t()>;

  // Carries the plan out: sets each step to change or send in order and reads each changed
  // setting back. Stops at the first failure (the step is Failed, the rest NotAttempted) and
  // then saves nothing; with `save`, saves only when every step succeeded. True when every
  // step succeeded (and, with `save`, the save too).
  //
  // On a failure, with `rollback`, the settings already changed are set back to their earlier
  // values in reverse order and read back (RolledBack, or NotRestored with the reason: a secret,
  // an unknown earlier value, an error, or a session that ended). A save failure rolls nothing
  // back: the running settings are all verified.
  //
  // With `physicalSessions`, read before the first step and after each, a plan never runs on
  // in another session than the one it began in: a step after which the count changed fails
  // with the connection error, as if the device had ended the session there.
  //
  // Writing a WEP key selects its slot on the device; the active key it had is set again
  // afterwards, whether the write succeeded or not, so that keys can be given without
  // disturbing it.
  bool Apply(PelmoraT2& device, bool save, bool rollback = true,
             const SessionCount& physicalSessions = {});
  bool Saved() const noexcept { return saved_; }
  // The error that stopped Apply (a step's, or the save's).
  const std::optional<AutomationError>& Failure() const noexcept { return failure_; }

  // {"changes": [{"name", "from", "to", "action", "result", "error"?}], "saved": BOOL} once
  // applied; {"changes": [{"name", "from", "to", "action"}]} before. Values as in a profile;
  // secrets and unknown values as null.
  std::string Json() const;

 private:
  void RunStep(PelmoraT2& device, PlanStep& step);
  void Fail(PlanStep& step, const AutomationError& error);
  void Rollback(PelmoraT2& device, const SessionCount& physicalSessions, std::uint64_t session);

  std::vector<PlanStep> steps_;
  bool applied_ = false;
  bool saved_ = false;
  std::optional<AutomationError> failure_;
};

}  // namespace pelmora
