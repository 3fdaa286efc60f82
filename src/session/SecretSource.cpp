#include "pelmora/session/SecretSource.h"

#include <cstdlib>

#include "pelmora/session/LimitedFile.h"
#include "pelmora/session/Target.h"

namespace pelmora {

std::string SecretSource::Resolve() const {
  switch (from) {
    case From::Env: {
      const char* text = std::getenv(value.c_str());
      if (text == nullptr) throw TargetError("the environment variable " + value + " is not set");
      return text;
    }
    case From::File: {
      LimitedFile::Content content = LimitedFile::ReadSecret(value);
      if (content.problem) throw TargetError(value + ": " + *content.problem);
      return std::move(content.text);
    }
    case From::Literal:
      break;
  }
  return value;
}

}  // namespace pelmora
