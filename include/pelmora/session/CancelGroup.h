#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "pelmora/platform/CancelToken.h"

namespace pelmora {

// The cancel tokens of the sessions that one stop request must reach (a run of the tool, a
// fleet, the waiting calls of a Python program). Thread-safe; not for signal handlers (a program
// turns a signal into a call of it from ordinary code).
class CancelGroup {
 public:
  // Adds a token; a token joining a group that was closed is cancelled at once.
  void Join(const std::shared_ptr<CancelToken>& token);
  void Leave(const std::shared_ptr<CancelToken>& token);

  // Cancels every member and closes the group: later members are cancelled as they join.
  void CancelAll();
  // Cancels the present members only; the group stays open.
  void CancelMembers();
  bool Closed() const;

  // Membership for a scope.
  class Member {
   public:
    Member(CancelGroup& group, std::shared_ptr<CancelToken> token);
    ~Member();
    Member(const Member&) = delete;
    Member& operator=(const Member&) = delete;

   private:
    CancelGroup& group_;
    std::shared_ptr<CancelToken> token_;
  };

 private:
  mutable std::mutex mutex_;
  std::vector<std::shared_ptr<CancelToken>> members_;
  bool closed_ = false;
};

}  // namespace pelmora
