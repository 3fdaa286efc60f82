#pragma once

#include <memory>
#include <string>

namespace pelmora {

// The single road by which a settings member or a report reaches the print server: run one shell
// command line (ending in a carriage return) and return the shell's answer without its leading
// and trailing line breaks, or raise the automation error the dialogue ended in.
class CommandRoad {
 public:
  virtual ~CommandRoad() = default;
  virtual std::string RunCommand(const std::string& line) = 0;

  // A counted reference that keeps the road's owner alive while a member sends several lines:
  // a client may let go of the owner from an event handler during the first. Nothing for a
  // road that no shared_ptr owns.
  virtual std::shared_ptr<const void> KeepAlive() { return nullptr; }
};

}  // namespace pelmora
