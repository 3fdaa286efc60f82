#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "pelmora/device/DeviceInternals.h"
#include "pelmora/device/PelmoraT2.h"
#include "pelmora/simulator/EmbeddedPrintServer.h"

namespace pelmora::testing {

// A device object attached, as the factory attaches it, to the simulated print server in this
// process; lines given answers of their own are answered with those and not carried out.
class EmbeddedShell {
 public:
  explicit EmbeddedShell(std::optional<std::string> shellPassword = std::nullopt) {
    server.State().SetShellPassword(std::move(shellPassword));
    DeviceInternals::AttachConnection(*device, pipe);
    DeviceInternals::Handler(*device)->SetDefaultTimeout(2000);
  }

  void Answer(const std::string& line, std::vector<std::string> answerLines) {
    server.Faults().answerOverrides[line] = std::move(answerLines);
  }
  ShellSettings& Running() { return server.State().Running(); }
  ShellSettings Saved() { return server.State().Saved()->Load(); }

  EmbeddedPrintServer server;
  std::shared_ptr<PipeConnection> pipe = server.Connection();
  std::shared_ptr<PelmoraT2> device = std::make_shared<PelmoraT2>();
};

}  // namespace pelmora::testing
