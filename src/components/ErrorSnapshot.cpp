#include "pelmora/components/ErrorSnapshot.h"

#include <new>

#include "pelmora/platform/ErrorMessages.h"
#include "pelmora/platform/ErrorNumbers.h"

namespace pelmora {

void ErrorSnapshot::Capture(const AutomationError& error) {
  number_ = error.Number();
  source_ = error.Source();
  description_ = error.Description();
  helpFile_ = error.HelpFile();
  helpContext_ = error.HelpContext();
}

void ErrorSnapshot::Capture(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const AutomationError& e) {
    Capture(e);
  } catch (const std::bad_alloc&) {
    Capture(AutomationError(errors::kOutOfMemory, "",
                            ErrorMessages::Current().ErrorText(errors::kOutOfMemory)));
  } catch (const std::exception& e) {
    Capture(AutomationError(errors::kInternalError, "", e.what()));
  } catch (...) {
    Capture(AutomationError(errors::kInternalError, "",
                            ErrorMessages::Current().ErrorText(errors::kInternalError)));
  }
}

void ErrorSnapshot::Raise(const std::string& sourceSuffix) const {
  throw AutomationError(number_, source_ + sourceSuffix, description_, helpFile_, helpContext_);
}

}  // namespace pelmora
