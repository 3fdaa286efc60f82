#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "Target.h"
#include "pelmora/components/Connection.h"
#include "pelmora/simulator/EmbeddedPrintServer.h"

namespace pelmora::cli {

// Makes the connection to a target. It owns the embedded simulated print server, which lives in
// this process and therefore only as long as this object: a setting changed in one run of the
// tool is not seen by the next.
class TargetFactory {
 public:
  // A command time limit shorter than the connect time limit bounds the connect as well: the
  // user asked to wait no longer than that.
  std::shared_ptr<Connection> Open(const Target& target,
                                   std::optional<std::int32_t> commandTimeLimitMs = {});

  // The embedded server, once a Sim target was opened; otherwise nothing.
  EmbeddedPrintServer* Embedded() noexcept { return embedded_.get(); }

 private:
  std::unique_ptr<EmbeddedPrintServer> embedded_;
};

}  // namespace pelmora::cli
