#include "pelmora/simulator/ShellReply.h"

#include <utility>

namespace pelmora {

namespace {

struct ErrorTexts {
  std::string_view message;
  std::string_view hint;
};

// Indexed by ShellReply::Error.
constexpr ErrorTexts kErrorTexts[] = {
    {"Unknown command", "Commands are SH, SET, SAVE, INI, unpro and exit"},
    {"Missing argument", "The command needs a value"},
    {"Invalid value", "The value is not accepted for this setting"},
    {"Invalid channel", "Valid channels are 1 to 11"},
    {"Invalid key", "Keys are 10 or 26 hexadecimal digits"},
    {"Not permitted in protected mode", "Use unpro to change settings"},
    {"Access denied", "The password is not correct"},
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
  return kErrorTexts[static_cast<std::size_t>(error)].message;
}

std::string_view ShellReply::Hint(Error error) noexcept {
  return kErrorTexts[static_cast<std::size_t>(error)].hint;
}

}  // namespace pelmora
