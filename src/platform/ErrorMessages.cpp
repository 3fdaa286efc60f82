#include "pelmora/platform/ErrorMessages.h"

#include "pelmora/platform/AutomationError.h"
#include "pelmora/platform/ErrorNumbers.h"

namespace pelmora {

ErrorMessages& ErrorMessages::Current() {
  thread_local ErrorMessages instance;
  return instance;
}

std::string ErrorMessages::ErrorText(std::int32_t number) const {
  switch (number) {
    case errors::kInvalidArgument:
      return "Invalid procedure call or argument";
    case errors::kOverflow:
      return "Overflow";
    case errors::kOutOfMemory:
      return "Out of memory";
    case errors::kSubscriptOutOfRange:
      return "Subscript out of range";
    case errors::kTypeMismatch:
      return "Type mismatch";
    case errors::kInternalError:
      return "Internal error";
    case errors::kObjectNotSet:
      return "Object variable not set";
    case errors::kKeyAlreadyExists:
      return "This key is already associated with an element of this collection";
    case errors::kPositionOutOfRange:
      return "Position out of range in buffer";
    case errors::kCommandCancelled:
      return "Command cancelled";
    case errors::kNoConnection:
      return "No connection object";
    case errors::kNoResponse:
      return "No response from device";
    case errors::kReplyTimeout:
      return "Timeout waiting for device reply";
    case errors::kConnectionBusy:
      return "Connection is busy";
    case errors::kCommandInProgress:
      return "A command is already in progress or an abort is pending";
    default:
      return "Error " + std::to_string(number);
  }
}

void ErrorMessages::RaiseNumberedError(std::int32_t number, const std::string& source) const {
  throw AutomationError(number, source, ErrorText(number));
}

}  // namespace pelmora
