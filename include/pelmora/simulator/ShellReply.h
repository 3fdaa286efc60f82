#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pelmora {

// What the shell answers to one command line, before the engine dresses it as bytes (echo, line
// ends, error tag, prompt) and applies its faults: an optional error, the answer lines, and what
// the line does to the session.
struct ShellReply {
  enum class Error {
    UnknownCommand,
    MissingArgument,
    InvalidValue,
    InvalidChannel,
    InvalidKey,
    NotPermitted
  };
  enum class Effect {
    None,
    AwaitPassword,  // "unpro" in a protected session: the next line is the password
    EndSession,     // "exit"
    Restart         // "INI": the device reboots
  };

  static constexpr std::string_view kFarewell = "Exit Configuration task";

  std::optional<Error> error;
  std::vector<std::string> lines;
  Effect effect = Effect::None;

  static ShellReply Lines(std::vector<std::string> lines);
  static ShellReply Failure(Error error);

  // The text behind "%cfgerr: ".
  static std::string_view Message(Error error) noexcept;
};

}  // namespace pelmora
