#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace pelmora {

// The progress component: a list of weighted steps, the current step and its value. A
// progress object given to a command becomes the Parent of the command's own step list, which
// is created through CreateChild so that it is of the caller's kind. Cancelling a parent
// cancels its children. Displays derive from it and redraw in the virtual setters.
class Progress {
 public:
  struct Step {
    std::string caption;
    std::int32_t weight = 0;
  };

  virtual ~Progress() = default;

  // A new, empty progress object of the same kind as this one.
  virtual std::shared_ptr<Progress> CreateChild() const;

  virtual void AddStep(const std::string& caption, std::int32_t weight);
  const std::vector<Step>& Steps() const noexcept { return steps_; }

  std::shared_ptr<Progress> Parent() const noexcept { return parent_; }
  virtual void SetParent(std::shared_ptr<Progress> parent) { parent_ = std::move(parent); }

  std::int32_t UpdateInterval() const noexcept { return updateInterval_; }
  virtual void SetUpdateInterval(std::int32_t ms) { updateInterval_ = ms; }

  bool Active() const noexcept { return active_; }
  virtual void SetActive(bool active) { active_ = active; }

  std::int32_t CurrentStep() const noexcept { return currentStep_; }
  virtual void SetCurrentStep(std::int32_t step) { currentStep_ = step; }

  std::int32_t Value() const noexcept { return value_; }
  virtual void SetValue(std::int32_t value) { value_ = value; }

  std::int32_t Received() const noexcept { return received_; }
  virtual void SetReceived(std::int32_t received) { received_ = received; }

  virtual bool Cancelled() const;
  virtual void Cancel() { cancelled_ = true; }

  virtual void Finish() { finished_ = true; }
  bool Finished() const noexcept { return finished_; }

 private:
  std::vector<Step> steps_;
  std::shared_ptr<Progress> parent_;
  std::int32_t updateInterval_ = 0;
  bool active_ = false;
  std::int32_t currentStep_ = 0;
  std::int32_t value_ = 0;
  std::int32_t received_ = 0;
  bool cancelled_ = false;
  bool finished_ = false;
};

}  // namespace pelmora
