#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace pelmora {

// The K-th of N shares of a fleet. A host's share depends on its name alone, so the same host
// always lands in the same share whatever else is selected, and the N shares together hold
// every host exactly once. Runs on several machines need no coordination beyond K and N.
class Shard {
 public:
  // "K/N" with 1 <= K <= N; throws std::invalid_argument otherwise.
  static Shard Parse(std::string_view text);
  Shard(std::uint32_t index, std::uint32_t count);  // index 1..count

  bool Holds(std::string_view hostName) const noexcept;

 private:
  std::uint32_t index_;
  std::uint32_t count_;
};

}  // namespace pelmora
