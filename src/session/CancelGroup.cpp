#include "pelmora/session/CancelGroup.h"

#include <algorithm>
#include <utility>

namespace pelmora {

void CancelGroup::Join(const std::shared_ptr<CancelToken>& token) {
  std::lock_guard lock(mutex_);
  members_.push_back(token);
  if (closed_) token->Cancel();
}

void CancelGroup::Leave(const std::shared_ptr<CancelToken>& token) {
  std::lock_guard lock(mutex_);
  const auto found = std::find(members_.begin(), members_.end(), token);
  if (found != members_.end()) members_.erase(found);
}

void CancelGroup::CancelAll() {
  std::lock_guard lock(mutex_);
  closed_ = true;
  for (const auto& token : members_) token->Cancel();
}

void CancelGroup::CancelMembers() {
  std::lock_guard lock(mutex_);
  for (const auto& token : members_) token->Cancel();
}

bool CancelGroup::Closed() const {
  std::lock_guard lock(mutex_);
  return closed_;
}

CancelGroup::Member::Member(CancelGroup& group, std::shared_ptr<CancelToken> token)
    : group_(group), token_(std::move(token)) {
  group_.Join(token_);
}

CancelGroup::Member::~Member() {
  group_.Leave(token_);
}

}  // namespace pelmora
