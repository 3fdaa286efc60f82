#pragma once

#include <map>
#include <string>
#include <vector>

#include "pelmora/platform/AutomationError.h"
#include "pelmora/protocol/CommandRoad.h"

namespace pelmora {

// A command road that records the lines it is given and answers from its tables.
class FakeRoad : public CommandRoad {
 public:
  std::string RunCommand(const std::string& line) override {
    sent.push_back(line);
    if (const auto failure = failures.find(line); failure != failures.end()) throw failure->second;
    if (const auto answer = answers.find(line); answer != answers.end()) return answer->second;
    return line == "\r" ? std::string{} : otherwise;
  }

  std::vector<std::string> sent;
  std::map<std::string, std::string> answers;
  std::map<std::string, AutomationError> failures;
  std::string otherwise;
};

}  // namespace pelmora
