#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace pelmora {

// A value of a profile file as TOML and JSON both give it, with its place in the file, so that
// one validator serves both formats.
struct ProfileNode {
  enum class Kind { String, Integer, Other, Table };
  struct Member;

  Kind kind = Kind::Other;
  std::string text;             // String
  std::int64_t number = 0;      // Integer
  bool fits64 = true;           // Integer: false when the file's number does not fit 64 bits
  std::string typeName;         // for messages: "a string", "an integer", "a boolean", ...
  std::vector<Member> members;  // Table, in file order
  int line = 0;
  int column = 0;
};

struct ProfileNode::Member {
  std::string key;
  int line = 0;  // of the key
  int column = 0;
  ProfileNode value;
};

}  // namespace pelmora
