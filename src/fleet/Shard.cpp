#include "pelmora/fleet/Shard.h"

#include <charconv>
#include <stdexcept>
#include <string>

namespace pelmora {

namespace {

std::uint32_t Number(std::string_view text, std::string_view whole) {
  std::uint32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
    throw std::invalid_argument("--shard wants K/N with 1 <= K <= N, not '" + std::string(whole) +
                                "'");
  }
  return value;
}

// FNV-1a: fixed by its definition, so a host's share is the same on every machine and release.
std::uint64_t NameHash(std::string_view name) noexcept {
  std::uint64_t hash = 14695981039346656037ULL;
  for (const unsigned char c : name) {
    hash ^= c;
    hash *= 1099511628211ULL;
  }
  return hash;
}

}  // namespace

Shard Shard::Parse(std::string_view text) {
  const auto slash = text.find('/');
  if (slash == std::string_view::npos) Number({}, text);
  return Shard(Number(text.substr(0, slash), text), Number(text.substr(slash + 1), text));
}

Shard::Shard(std::uint32_t index, std::uint32_t count) : index_(index), count_(count) {
  if (index < 1 || index > count) {
    throw std::invalid_argument("--shard wants K/N with 1 <= K <= N, not '" +
                                std::to_string(index) + "/" + std::to_string(count) + "'");
  }
}

bool Shard::Holds(std::string_view hostName) const noexcept {
  return NameHash(hostName) % count_ == index_ - 1;
}

}  // namespace pelmora
