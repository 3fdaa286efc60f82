#include "JsonProfileSource.h"

#include <limits>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <set>

#include "pelmora/catalog/Utf8Text.h"

namespace pelmora {

namespace {

// Members in the order of the file, so that of two names for one setting the second is refused.
using Json = nlohmann::ordered_json;

struct Place {
  int line = 1;
  int column = 1;
};

// The keys of their enclosing containers, joined by NUL: "" for the top level, "wep-key" below.
std::string Joined(const std::vector<std::string>& open) {
  std::string path;
  for (std::size_t i = 1; i < open.size(); ++i)
    path += (i == 1 ? "" : std::string(1, '\0')) + open[i];
  return path;
}

// Where the keys stand, each occurrence: "key" for the top level, "parent" NUL "key" below.
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

  Place Of(const std::string& parent, const std::string& key, std::size_t occurrence = 0) const {
    const auto found = places_.find(parent.empty() ? key : parent + '\0' + key);
    if (found == places_.end() || occurrence >= found->second.size()) return Place{};
    return found->second[occurrence];
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
    const std::string parent = Joined(open);
    places_[parent.empty() ? key : parent + '\0' + key].push_back(start);
  }

  Place here_;
  std::map<std::string, std::vector<Place>> places_;
};

// A key that an object of the file gives again: the parser keeps one of the two silently.
struct Duplicate {
  std::string parent;
  std::string key;
  std::size_t occurrence = 0;
};

// Follows the parser through the file and notes each key given twice in one object.
class DuplicateKeys {
 public:
  bool operator()(int /*depth*/, nlohmann::json::parse_event_t event, const Json& parsed) {
    using Event = nlohmann::json::parse_event_t;
    if (event == Event::object_start || event == Event::array_start) {
      open_.push_back(lastKey_);
      keys_.emplace_back();
      lastKey_.clear();
    } else if ((event == Event::object_end || event == Event::array_end) && !open_.empty()) {
      open_.pop_back();
      keys_.pop_back();
    } else if (event == Event::key && !keys_.empty()) {
      lastKey_ = parsed.get<std::string>();
      const std::size_t seen = keys_.back()[lastKey_]++;
      if (seen > 0) found_.push_back({Joined(open_), lastKey_, seen});
    }
    return true;
  }

  const std::vector<Duplicate>& Found() const noexcept { return found_; }

 private:
  std::vector<std::string> open_;
  std::vector<std::map<std::string, std::size_t>> keys_;
  std::string lastKey_;
  std::vector<Duplicate> found_;
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

// The parser's message without its "[json.exception.parse_error.101] " tag, and without the
// text it last read, which may be part of a secret.
std::string ParserMessage(const std::string& what) {
  const std::size_t tagEnd = what.find("] ");
  std::string message = tagEnd == std::string::npos ? what : what.substr(tagEnd + 2);
  const std::size_t lastRead = message.find("; last read:");
  if (lastRead != std::string::npos) message.erase(lastRead);
  return Utf8Text::OneLine(message);
}

}  // namespace

bool JsonProfileSource::Read(std::string_view text, Profile& profile, ProfileNode& root) {
  Json json;
  auto duplicates = std::make_shared<DuplicateKeys>();
  try {
    json = Json::parse(text,
                       [duplicates](int depth, nlohmann::json::parse_event_t event, Json& parsed) {
                         return (*duplicates)(depth, event, parsed);
                       });
  } catch (const Json::parse_error& error) {
    const Place at = PlaceOfByte(text, error.byte);
    profile.AddProblem(at.line, at.column, ParserMessage(error.what()));
    return false;
  }
  const KeyPlaces places(text);
  for (const auto& duplicate : duplicates->Found()) {
    const Place at = places.Of(duplicate.parent, duplicate.key, duplicate.occurrence);
    profile.AddProblem(at.line, at.column,
                       Utf8Text::OneLine(duplicate.key) + " is given more than once");
  }
  root = Convert(json, Place{}, places, "");
  return true;
}

}  // namespace pelmora
