#pragma once

#include <string>
#include <string_view>

#include "ProfileNode.h"
#include "pelmora/catalog/Profile.h"

namespace pelmora {

// Reads TOML text into a profile's nodes; a syntax error becomes a problem of the profile with
// the parser's own message and place.
class TomlProfileSource {
 public:
  static bool Read(std::string_view text, const std::string& name, Profile& profile,
                   ProfileNode& root);
};

}  // namespace pelmora
