#include "ConsoleProgress.h"

#include <utility>

namespace pelmora::cli {

ConsoleProgress::ConsoleProgress(std::shared_ptr<ProgressLine> line) : line_(std::move(line)) {}

std::shared_ptr<Progress> ConsoleProgress::CreateChild() const {
  return std::make_shared<ConsoleProgress>(line_);
}

void ConsoleProgress::SetActive(bool active) {
  Progress::SetActive(active);
  if (active) {
    line_->Begin();
  } else {
    line_->Clear();
  }
}

void ConsoleProgress::SetCurrentStep(std::int32_t step) {
  Progress::SetCurrentStep(step);
  Redraw(false);
}

void ConsoleProgress::SetValue(std::int32_t value) {
  Progress::SetValue(value);
  Redraw(true);
}

void ConsoleProgress::SetReceived(std::int32_t received) {
  Progress::SetReceived(received);
  Redraw(true);
}

void ConsoleProgress::Finish() {
  Progress::Finish();
  line_->Clear();
}

bool ConsoleProgress::Cancelled() const {
  Redraw(true);
  return Progress::Cancelled();
}

void ConsoleProgress::Redraw(bool waiting) const {
  if (Active()) line_->Show(*this, waiting);
}

}  // namespace pelmora::cli
