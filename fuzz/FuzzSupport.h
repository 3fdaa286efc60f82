#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <string_view>

#include "pelmora/platform/AutomationError.h"

namespace pelmora::fuzz {

// A property the library promises was broken: print why and abort, so libFuzzer keeps the input.
[[noreturn]] inline void Fail(std::string_view what) {
  std::fprintf(stderr, "property broken: %.*s\n", static_cast<int>(what.size()), what.data());
  std::abort();
}

inline void Require(bool holds, std::string_view what) {
  if (!holds) Fail(what);
}

// An automation error whose number is not one the member documents is a fault as well.
inline void RequireNumber(const AutomationError& error, std::initializer_list<std::int32_t> allowed,
                          std::string_view where) {
  for (const auto number : allowed) {
    if (error.Number() == number) return;
  }
  std::fprintf(stderr, "%.*s: undocumented error %d (%s): %s\n", static_cast<int>(where.size()),
               where.data(), error.Number(), error.Source().c_str(), error.Description().c_str());
  std::abort();
}

}  // namespace pelmora::fuzz
