#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "pelmora/platform/AutomationError.h"
#include "pelmora/protocol/CommandRoad.h"

namespace pelmora::test {

// A command road that records every line it is given and answers from a table: a line that is
// not in the table gets an empty answer; a line marked to fail raises the given error.
class FakeCommandRoad : public CommandRoad {
 public:
  FakeCommandRoad& Answer(const std::string& line, std::string answer) {
    answers_[line] = std::move(answer);
    return *this;
  }

  FakeCommandRoad& Fail(const std::string& line, AutomationError error) {
    failures_.insert_or_assign(line, std::move(error));
    return *this;
  }

  std::string RunCommand(const std::string& line) override {
    sent_.push_back(line);
    if (auto failure = failures_.find(line); failure != failures_.end()) throw failure->second;
    auto answer = answers_.find(line);
    return answer == answers_.end() ? std::string{} : answer->second;
  }

  const std::vector<std::string>& Sent() const { return sent_; }

 private:
  std::map<std::string, std::string> answers_;
  std::map<std::string, AutomationError> failures_;
  std::vector<std::string> sent_;
};

}  // namespace pelmora::test
