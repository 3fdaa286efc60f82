#include "pelmora/catalog/Profile.h"

#include <algorithm>
#include <filesystem>

#include "JsonProfileSource.h"
#include "ProfileValidator.h"
#include "TomlProfileSource.h"
#include "pelmora/catalog/SettingsCatalog.h"
#include "pelmora/session/LimitedFile.h"

namespace pelmora {

namespace {

Profile::Format FormatOf(const std::string& path, std::string_view text) {
  if (path.ends_with(".json")) return Profile::Format::Json;
  const std::size_t first = text.find_first_not_of(" \t\r\n");
  return first != std::string_view::npos && text[first] == '{' ? Profile::Format::Json
                                                               : Profile::Format::Toml;
}

std::size_t CatalogIndex(const Setting* setting) {
  return static_cast<std::size_t>(setting - SettingsCatalog::All().data());
}

}  // namespace

Profile Profile::Read(std::string_view text, const std::string& name, Format format,
                      const std::string& baseDirectory) {
  Profile profile(name);
  ProfileNode root;
  const bool parsed = format == Format::Json ? JsonProfileSource::Read(text, profile, root)
                                             : TomlProfileSource::Read(text, name, profile, root);
  if (parsed) ProfileValidator(profile, baseDirectory).Validate(root);
  return profile;
}

Profile Profile::Load(const std::string& path) {
  const LimitedFile::Content content = LimitedFile::Read(path);
  if (content.problem) {
    Profile profile(path);
    profile.problems_.push_back({path, 0, 0, "cannot read the profile (" + *content.problem + ")"});
    return profile;
  }
  return Read(content.text, path, FormatOf(path, content.text),
              std::filesystem::path(path).parent_path());
}

Profile Profile::Parse(std::string_view text, const std::string& name, Format format) {
  return Read(text, name, format, "");
}

std::vector<std::string> Profile::Secrets() const {
  std::vector<std::string> secrets;
  for (const auto& entry : entries_) {
    if (entry.setting->masked && entry.value.IsText()) secrets.push_back(entry.value.AsText());
  }
  return secrets;
}

void Profile::AddEntry(ProfileEntry entry) {
  const auto after = std::upper_bound(
      entries_.begin(), entries_.end(), entry, [](const ProfileEntry& a, const ProfileEntry& b) {
        return std::pair(CatalogIndex(a.setting), a.key.value_or(0)) <
               std::pair(CatalogIndex(b.setting), b.key.value_or(0));
      });
  entries_.insert(after, std::move(entry));
}

void Profile::AddProblem(int line, int column, std::string what) {
  // In the order of the file, whatever order the parser hands the keys out in.
  const auto after =
      std::upper_bound(problems_.begin(), problems_.end(), std::pair(line, column),
                       [](const std::pair<int, int>& place, const ProfileProblem& problem) {
                         return place < std::pair(problem.line, problem.column);
                       });
  problems_.insert(after, {name_, line, column, std::move(what)});
}

}  // namespace pelmora
