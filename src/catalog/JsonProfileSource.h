#pragma once

#include <string>
#include <string_view>

#include "ProfileNode.h"
#include "pelmora/catalog/Profile.h"

namespace pelmora {

// Reads JSON text into a profile's nodes. The JSON parser keeps no places, so the text is
// scanned once more for where each key of the top two levels stands.
class JsonProfileSource {
 public:
  static bool Read(std::string_view text, Profile& profile, ProfileNode& root);
};

}  // namespace pelmora
