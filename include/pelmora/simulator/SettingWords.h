#pragma once

#include <optional>
#include <span>
#include <string_view>

namespace pelmora {

// The enumerated settings as the shell knows them: the word that SET takes and the text that SH
// prints for it. SET accepts a word in any letter case; the setting stores the word as listed.
class SettingWords {
 public:
  struct Entry {
    std::string_view word;
    std::string_view text;
  };
  using Table = std::span<const Entry>;

  static Table Mode() noexcept;
  static Table ApDensity() noexcept;
  static Table Encryption() noexcept;
  static Table Authentication() noexcept;
  static Table AuthProtocol() noexcept;
  static Table IpMethod() noexcept;

  // The listed word that equals `value` without regard to case, if any.
  static std::optional<std::string_view> Find(Table table, std::string_view value) noexcept;
  // What SH prints for a stored word (the word itself if the table does not list it).
  static std::string_view Text(Table table, std::string_view word) noexcept;
};

}  // namespace pelmora
