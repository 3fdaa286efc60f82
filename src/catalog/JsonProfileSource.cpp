#include "JsonProfileSource.h"

#include <limits>
#include <map>
#include <nlohmann/json.hpp>

namespace pelmora {

namespace {

using Json = nlohmann::json;

struct Place {
  int line = 1;
  int column = 1;
};

// Where the keys of the top two levels stand: "key" for the top level, "parent" NUL "key" below.
class KeyPlaces {
 public:
  explicit KeyPlaces(std::string_view text) {
    std::vector<std::string> open;  // per open container: its key ("" for an array or the top)
    std::vector<bool> isObject;
    std::string lastKey;
    for (std::size_t i = 0; i < text.size(); Advance(text[i++])) {
      const char c = text[i];
      if (c == '{' || c == '[') {
        open.push_back(lastKey);
        isObject.push_back(c == '{');
        lastKey.clear();
      } else if ((c == '}' || c == ']') && !open.empty()) {
        open.pop_back();
        isObject.pop_back();
      } else if (c == '"') {
        const Place start = here_;
        const std::size_t end = StringEnd(text, i);
        const std::string key = Unescaped(text.substr(i, end - i));
        for (; i + 1 < end; ++i) Advance(text[i]);
        if (!isObject.empty() && isObject.back() && IsKey(text, end)) {
          lastKey = key;
          Record(open, key, start);
        }
      }
    }
  }

  Place Of(const std::string& parent, const std::string& key) const {
    const auto found = places_.find(parent.empty() ? key : parent + '\0' + key);
    return found == places_.end() ? Place{} : found->second;
  }

 private:
  void Advance(char c) {
    if (c == '\n') {
      ++here_.line;
      here_.column = 1;
    } else {
      ++here_.column;
    }
  }

  // One past the closing quote of the string that opens at `from`.
  static std::size_t StringEnd(std::string_view text, std::size_t from) {
    std::size_t i = from + 1;
    while (i < text.size() && text[i] != '"') i += text[i] == '\\' ? 2 : 1;
    return std::min(i + 1, text.size());
  }

  static bool IsKey(std::string_view text, std::size_t from) {
    const std::size_t next = text.find_first_not_of(" \t\r\n", from);
    return next != std::string_view::npos && text[next] == ':';
  }

  static std::string Unescaped(std::string_view quoted) {
    const Json key = Json::parse(quoted, nullptr, false);
    return key.is_string() ? key.get<std::string>() : std::string(quoted);
  }

  void Record(const std::vector<std::string>& open, const std::string& key, Place start) {
    if (open.size() == 1) places_.emplace(key, start);
    if (open.size() == 2) places_.emplace(open.back() + '\0' + key, start);
  }

  Place here_;
  std::map<std::string, Place> places_;
};

ProfileNode Convert(const Json& json, Place place, const KeyPlaces& places,
                    const std::string& path) {
  ProfileNode node;
  node.line = place.line;
  node.column = place.column;
  if (json.is_string()) {
    node.kind = ProfileNode::Kind::String;
    node.text = json.get<std::string>();
    node.typeName = "a string";
  } else if (json.is_number_integer()) {
    node.kind = ProfileNode::Kind::Integer;
    node.typeName = "an integer";
    if (json.is_number_unsigned() &&
        json.get<std::uint64_t>() > std::uint64_t(std::numeric_limits<std::int64_t>::max())) {
      node.fits64 = false;
    } else {
      node.number = json.get<std::int64_t>();
    }
  } else if (json.is_object()) {
    node.kind = ProfileNode::Kind::Table;
    node.typeName = "a table";
    for (const auto& [key, value] : json.items()) {
      // Only the top two levels have places of their own; deeper keys take their parent's.
      const Place at = path.find('\0') == std::string::npos ? places.Of(path, key) : place;
      node.members.push_back({key, at.line, at.column,
                              Convert(value, at, places, path.empty() ? key : path + '\0' + key)});
    }
  } else if (json.is_number_float()) {
    node.typeName = "a fraction";
  } else if (json.is_boolean()) {
    node.typeName = "a boolean";
  } else if (json.is_array()) {
    node.typeName = "an array";
  } else {
    node.typeName = "null";
  }
  return node;
}

Place PlaceOfByte(std::string_view text, std::size_t byte) {
  Place place;
  for (std::size_t i = 0; i + 1 < byte && i < text.size(); ++i) {
    if (text[i] == '\n') {
      ++place.line;
      place.column = 1;
    } else {
      ++place.column;
    }
  }
  return place;
}

// The parser's message without its "[json.exception.parse_error.101] " tag.
std::string ParserMessage(const std::string& what) {
  const std::size_t tagEnd = what.find("] ");
  return tagEnd == std::string::npos ? what : what.substr(tagEnd + 2);
}

}  // namespace

bool JsonProfileSource::Read(std::string_view text, Profile& profile, ProfileNode& root) {
  Json json;
  try {
    json = Json::parse(text);
  } catch (const Json::parse_error& error) {
    const Place at = PlaceOfByte(text, error.byte);
    profile.AddProblem(at.line, at.column, ParserMessage(error.what()));
    return false;
  }
  const KeyPlaces places(text);
  root = Convert(json, Place{}, places, "");
  return true;
}

}  // namespace pelmora
