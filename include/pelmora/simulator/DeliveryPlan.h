#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace pelmora {

// How a serving layer (the in-process pipe, the telnet server) hands the shell engine's output to
// the peer. Timing faults live here because the engine has no clock.
//
// For each chunk the engine emits, in order, the serving layer
//   1. waits `delay`, counted from the moment the engine emitted the chunk;
//   2. cuts the chunk with Split and sends the pieces in order, waiting `gap` between two pieces;
//      each piece is handed over on its own (one write, one event), also when `gap` is 0.
// Chunks never overtake each other: a chunk emitted while an earlier one is still on its way is
// queued behind it. A close requested by the engine (its close callback) takes effect after the
// chunks emitted before it have been delivered.
//
// What the library sees: a delay beyond its no-response limit ends the command with 119, beyond
// the caller's own time limit with 120; pieces show the framing states between an incomplete
// echo, a complete echo and a complete answer.
struct DeliveryPlan {
  std::chrono::milliseconds delay{0};
  std::chrono::milliseconds gap{0};
  // Cut every chunk into pieces of this many bytes (the last one may be shorter). 0: no such cut.
  std::size_t pieceSize = 0;
  // Offsets into every chunk where a piece ends, for example just behind the echo. Offsets
  // outside the chunk are ignored.
  std::vector<std::size_t> cutsAt;

  // True when a chunk goes out whole and at once.
  bool IsImmediate() const noexcept;
  // The pieces of one chunk; they join to the chunk. An empty chunk gives no piece.
  std::vector<std::string> Split(std::string_view chunk) const;
};

}  // namespace pelmora
