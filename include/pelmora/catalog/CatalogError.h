#pragma once

#include <stdexcept>
#include <string>

namespace pelmora {

// A request that names the settings wrongly: an unknown name, a value of the wrong kind, reading
// a set-only setting or writing a read-only one. It is raised before anything is sent, so the
// device never sees such a request.
class CatalogError : public std::invalid_argument {
 public:
  enum class Kind { UnknownSetting, NotReadable, NotWritable, BadValue };

  CatalogError(Kind kind, const std::string& message)
      : std::invalid_argument(message), kind_(kind), message_(message) {}

  Kind ErrorKind() const noexcept { return kind_; }
  // The whole message: what() ends at a NUL that a name given by a caller may hold.
  const std::string& Message() const noexcept { return message_; }

 private:
  Kind kind_;
  std::string message_;
};

}  // namespace pelmora
