#pragma once

#include <string>

namespace pelmora {

// One thing wrong with a profile, where it stands: "FILE:LINE:COLUMN: what". Line and column
// count from 1; 0 where the problem has no place in the file (a file that cannot be read).
struct ProfileProblem {
  std::string file;
  int line = 0;
  int column = 0;
  std::string what;

  std::string ToString() const;
};

}  // namespace pelmora
