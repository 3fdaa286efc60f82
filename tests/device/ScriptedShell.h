#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "pelmora/device/PelmoraT2.h"
#include "pelmora/transport/PipeConnection.h"

namespace pelmora::testing {

// A device object on an in-memory connection whose far end is a tiny scripted shell: every line
// is echoed and answered with its scripted lines (none when unscripted) and the current prompt.
// Lines listed as silent are not echoed, as a shell does with a password.
class ScriptedShell {
 public:
  ScriptedShell() {
    device->SetConnection(pipe);
    pipe->SetPeer([this](std::string_view sent) { Answer(std::string(sent)); });
  }

  void Script(const std::string& line, std::vector<std::string> answerLines) {
    answers[line] = std::move(answerLines);
  }

  std::shared_ptr<PipeConnection> pipe = std::make_shared<PipeConnection>();
  std::shared_ptr<PelmoraT2> device = std::make_shared<PelmoraT2>();
  std::map<std::string, std::vector<std::string>> answers;
  std::vector<std::string> silentLines;
  std::string prompt = "Local> ";

 private:
  void Answer(const std::string& sent) {
    std::string line = sent;
    while (!line.empty() && line.back() == '\r') line.pop_back();
    const bool silent =
        std::find(silentLines.begin(), silentLines.end(), line) != silentLines.end();
    std::string out = silent ? "" : line;
    out += "\r\n";
    if (const auto it = answers.find(line); it != answers.end()) {
      for (const auto& answer : it->second) out += answer + "\r\n";
    }
    pipe->PeerWrite(out + prompt);
  }
};

}  // namespace pelmora::testing
