#include "pelmora/protocol/LineBreaks.h"

namespace pelmora {

namespace {
constexpr std::string_view kLineBreaks = "\r\n";
}

std::string LineBreaks::TrimTrailing(std::string_view text) {
  const auto last = text.find_last_not_of(kLineBreaks);
  return last == std::string_view::npos ? std::string() : std::string(text.substr(0, last + 1));
}

std::string LineBreaks::TrimLeading(std::string_view text) {
  const auto first = text.find_first_not_of(kLineBreaks);
  return first == std::string_view::npos ? std::string() : std::string(text.substr(first));
}

std::string LineBreaks::Trim(std::string_view text) {
  return TrimLeading(TrimTrailing(text));
}

}  // namespace pelmora
