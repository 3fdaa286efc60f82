#include "pelmora/session/SecretSource.h"

#include <cstdlib>

#include "pelmora/session/LimitedFile.h"
#include "pelmora/session/Target.h"

namespace pelmora {

namespace {

std::string WithoutLineEnd(std::string text) {
  if (!text.empty() && text.back() == '\n') text.pop_back();
  if (!text.empty() && text.back() == '\r') text.pop_back();
  return text;
}

}  // namespace

std::string SecretSource::Resolve() const {
  switch (from) {
    case From::Env: {
      const char* text = std::getenv(value.c_str());
      if (text == nullptr) throw TargetError("the environment variable " + value + " is not set");
      return text;
    }
    case From::File: {
      const LimitedFile::Content content = LimitedFile::Read(value);
      if (content.problem) throw TargetError(value + ": " + *content.problem);
      return WithoutLineEnd(content.text);
    }
    case From::Literal:
      break;
  }
  return value;
}

}  // namespace pelmora
