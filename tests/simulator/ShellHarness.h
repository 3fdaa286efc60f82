#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "pelmora/simulator/PrintServerState.h"
#include "pelmora/simulator/ShellEngine.h"

namespace pelmora::test {

// A shell engine on a fresh device that records every output chunk and every close.
class ShellHarness {
 public:
  explicit ShellHarness(std::optional<std::string> shellPassword = std::nullopt)
      : device(MakeDevice(std::move(shellPassword))),
        engine(
            device, [this](std::string_view bytes) { chunks.emplace_back(bytes); },
            [this] { ++closes; }) {}

  // Feeds the bytes in one call and returns everything that call emitted.
  std::string Send(std::string_view bytes) {
    const std::size_t before = chunks.size();
    engine.Feed(bytes);
    return Joined(before);
  }

  std::string Joined(std::size_t fromChunk = 0) const {
    std::string joined;
    for (std::size_t i = fromChunk; i < chunks.size(); ++i) joined += chunks[i];
    return joined;
  }

  std::vector<std::string> chunks;
  int closes = 0;
  std::shared_ptr<PrintServerState> device;
  ShellEngine engine;

 private:
  static std::shared_ptr<PrintServerState> MakeDevice(std::optional<std::string> password) {
    auto device = std::make_shared<PrintServerState>();
    device->SetShellPassword(std::move(password));
    return device;
  }
};

}  // namespace pelmora::test
