#include "pelmora/catalog/Utf8Text.h"

#include <cstdio>

namespace pelmora {

namespace {

std::string Escape(unsigned char c) {
  char escape[8];
  std::snprintf(escape, sizeof escape, "\\x%02X", c);
  return escape;
}

bool IsControl(unsigned char c) {
  return c < 0x20 || c == 0x7F;
}

}  // namespace

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

std::string Utf8Text::Refusal(std::string_view name) {
  return std::string(name) +
         ": a character the device cannot take (it takes U+0000 to U+00FF, one byte each)";
}

std::string Utf8Text::Printable(std::string_view bytes, bool keepLineFeeds) {
  std::string shown;
  shown.reserve(bytes.size());
  for (const unsigned char c : bytes) {
    const bool control = IsControl(c) || (c >= 0x80 && c < 0xA0);
    if (control && !(keepLineFeeds && c == '\n')) {
      shown += Escape(c);
    } else {
      shown += FromBytes(std::string_view(reinterpret_cast<const char*>(&c), 1));
    }
  }
  return shown;
}

std::string Utf8Text::OneLine(std::string_view utf8) {
  std::string shown;
  shown.reserve(utf8.size());
  for (const unsigned char c : utf8) {
    if (IsControl(c)) {
      shown += Escape(c);
    } else {
      shown += static_cast<char>(c);
    }
  }
  return shown;
}

}  // namespace pelmora
