#include "pelmora/catalog/ProfileProblem.h"

namespace pelmora {

std::string ProfileProblem::ToString() const {
  if (line == 0) return file + ": " + what;
  return file + ":" + std::to_string(line) + ":" + std::to_string(column) + ": " + what;
}

}  // namespace pelmora
