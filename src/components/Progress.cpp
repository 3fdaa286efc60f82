#include "pelmora/components/Progress.h"

namespace pelmora {

std::shared_ptr<Progress> Progress::CreateChild() const {
  return std::make_shared<Progress>();
}

void Progress::AddStep(const std::string& caption, std::int32_t weight) {
  steps_.push_back({caption, weight});
}

bool Progress::Cancelled() const {
  return cancelled_ || (parent_ && parent_->Cancelled());
}

}  // namespace pelmora
