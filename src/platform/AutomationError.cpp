#include "pelmora/platform/AutomationError.h"

#include <utility>

namespace pelmora {

AutomationError::AutomationError(std::int32_t number, std::string source, std::string description,
                                 std::string helpFile, std::int32_t helpContext)
    : std::runtime_error(description),
      number_(number),
      source_(std::move(source)),
      description_(std::move(description)),
      helpFile_(std::move(helpFile)),
      helpContext_(helpContext) {}

}  // namespace pelmora
