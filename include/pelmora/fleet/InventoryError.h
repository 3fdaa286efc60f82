#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace pelmora {

// An inventory that cannot be used: every problem found in it, each as
// "FILE:LINE:COLUMN: what", in the order they stand in the file.
class InventoryError : public std::runtime_error {
 public:
  explicit InventoryError(std::vector<std::string> problems);

  const std::vector<std::string>& Problems() const noexcept { return problems_; }

 private:
  std::vector<std::string> problems_;
};

}  // namespace pelmora
