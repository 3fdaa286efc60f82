#include "pelmora/catalog/Utf8Text.h"

namespace pelmora {

std::string Utf8Text::FromBytes(std::string_view bytes) {
  std::string utf8;
  utf8.reserve(bytes.size());
  for (const unsigned char c : bytes) {
    if (c < 0x80) {
      utf8 += static_cast<char>(c);
    } else {
      utf8 += static_cast<char>(0xC0 | (c >> 6));
      utf8 += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return utf8;
}

std::optional<std::string> Utf8Text::ToBytes(std::string_view utf8) {
  std::string bytes;
  bytes.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {
      bytes += static_cast<char>(c);
      continue;
    }
    // Only the two-byte forms of the codes 128 to 255 (lead byte C2 or C3) fit one byte.
    if ((c != 0xC2 && c != 0xC3) || i + 1 >= utf8.size()) return std::nullopt;
    const auto next = static_cast<unsigned char>(utf8[++i]);
    if ((next & 0xC0) != 0x80) return std::nullopt;
    bytes += static_cast<char>(((c & 0x1F) << 6) | (next & 0x3F));
  }
  return bytes;
}

}  // namespace pelmora
