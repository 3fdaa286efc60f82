#include "TomlProfileSource.h"

#include <toml++/toml.h>

#include <algorithm>
#include <utility>

#include "pelmora/catalog/Utf8Text.h"

namespace pelmora {

namespace {

ProfileNode Convert(const toml::node& node) {
  ProfileNode converted;
  converted.line = static_cast<int>(node.source().begin.line);
  converted.column = static_cast<int>(node.source().begin.column);
  if (const auto* text = node.as_string()) {
    converted.kind = ProfileNode::Kind::String;
    converted.text = text->get();
    converted.typeName = "a string";
  } else if (const auto* number = node.as_integer()) {
    converted.kind = ProfileNode::Kind::Integer;
    converted.number = number->get();
    converted.typeName = "an integer";
  } else if (const auto* table = node.as_table()) {
    converted.kind = ProfileNode::Kind::Table;
    converted.typeName = "a table";
    for (const auto& [key, value] : *table) {
      converted.members.push_back({std::string(key.str()),
                                   static_cast<int>(key.source().begin.line),
                                   static_cast<int>(key.source().begin.column), Convert(value)});
    }
    // The table keeps its keys sorted; the file's order decides which of two names for one
    // setting is the second.
    std::stable_sort(converted.members.begin(), converted.members.end(),
                     [](const ProfileNode::Member& a, const ProfileNode::Member& b) {
                       return std::pair(a.line, a.column) < std::pair(b.line, b.column);
                     });
  } else if (node.is_floating_point()) {
    converted.typeName = "a fraction";
  } else if (node.is_boolean()) {
    converted.typeName = "a boolean";
  } else if (node.is_array()) {
    converted.typeName = "an array";
  } else {
    converted.typeName = "a date or time";
  }
  return converted;
}

// The parser's message without the characters it quotes from the file ("saw 'x'", "escape
// sequence '\\q'"): they may be part of a secret. What it expects ("'='") is its own.
std::string WithoutQuotedText(std::string_view description) {
  std::string message = Utf8Text::OneLine(description);
  for (const std::string_view quoting : {", saw '", " sequence '"}) {
    const std::size_t from = message.find(quoting);
    if (from == std::string::npos) continue;
    const std::size_t end = message.find('\'', from + quoting.size());
    const std::size_t kept = quoting.front() == ',' ? 0 : quoting.size() - 2;
    message.erase(from + kept,
                  end == std::string::npos ? std::string::npos : end + 1 - from - kept);
  }
  return message;
}

}  // namespace

bool TomlProfileSource::Read(std::string_view text, const std::string& name, Profile& profile,
                             ProfileNode& root) {
  try {
    root = Convert(toml::parse(text, name));
    return true;
  } catch (const toml::parse_error& error) {
    profile.AddProblem(static_cast<int>(error.source().begin.line),
                       static_cast<int>(error.source().begin.column),
                       WithoutQuotedText(error.description()));
    return false;
  }
}

}  // namespace pelmora
