#pragma once

#include <string>
#include <string_view>

namespace pelmora {

// Removes carriage returns and line feeds, and nothing else, from the ends of a text. Blanks,
// tabs, other control characters and line breaks inside the text stay.
class LineBreaks {
 public:
  static std::string TrimTrailing(std::string_view text);
  static std::string TrimLeading(std::string_view text);
  static std::string Trim(std::string_view text);
};

}  // namespace pelmora
