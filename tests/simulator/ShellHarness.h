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
struct ShellHarness {
  explicit ShellHarness(std::optional<std::string> shellPassword = std::nullopt)
      : device([&] {
          auto fresh = std::make_shared<PrintServerState>();
          fresh->SetShellPassword(std::move(shellPassword));
          return fresh;
        }()),
        engine(
            device, [this](std::string_view bytes) { chunks.emplace_back(bytes); },
            [this] { ++closes; }) {}

  // Feeds the bytes in one call and returns everything that call emitted.
  std::string Send(std::string_view bytes) {
    const std::size_t before = chunks.size();
    engine.Feed(bytes);
    std::string emitted;
    for (std::size_t i = before; i < chunks.size(); ++i) emitted += chunks[i];
    return emitted;
  }

  std::vector<std::string> chunks;
  int closes = 0;
  std::shared_ptr<PrintServerState> device;
  ShellEngine engine;
};

}  // namespace pelmora::test
