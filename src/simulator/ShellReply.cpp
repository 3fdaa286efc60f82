#include "pelmora/simulator/ShellReply.h"

#include <utility>

namespace pelmora {

namespace {

// Indexed by ShellReply::Error.
constexpr std::string_view kErrorMessages[] = {
    "Unknown command", "Missing argument", "Invalid value",
    "Invalid channel", "Invalid key",      "Not permitted in protected mode",
};

}  // namespace

ShellReply ShellReply::Lines(std::vector<std::string> lines) {
  ShellReply reply;
  reply.lines = std::move(lines);
  return reply;
}

ShellReply ShellReply::Failure(Error error) {
  ShellReply reply;
  reply.error = error;
  return reply;
}

std::string_view ShellReply::Message(Error error) noexcept {
  return kErrorMessages[static_cast<std::size_t>(error)];
}

}  // namespace pelmora
