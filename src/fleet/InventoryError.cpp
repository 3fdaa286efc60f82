#include "pelmora/fleet/InventoryError.h"

#include <utility>

namespace pelmora {

namespace {

std::string Joined(const std::vector<std::string>& problems) {
  std::string text;
  for (const auto& problem : problems) text += (text.empty() ? "" : "\n") + problem;
  return text;
}

}  // namespace

InventoryError::InventoryError(std::vector<std::string> problems)
    : std::runtime_error(Joined(problems)), problems_(std::move(problems)) {}

}  // namespace pelmora
