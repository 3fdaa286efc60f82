#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

namespace pelmora {

// A file that a profile or a target names (the profile itself, a secret file): a regular file of at
// most 1 MiB, read whole. Anything else (a directory, a FIFO, a device file, a larger file, a
// read error) is refused with the reason, without waiting and without reading past the limit.
class LimitedFile {
 public:
  static constexpr std::size_t kLimit = std::size_t{1} << 20;

  struct Content {
    std::string text;
    std::optional<std::string> problem;  // why it could not be read: "a FIFO, not a file"
  };

  static Content Read(const std::filesystem::path& path);
  // A file that holds a secret: read as above, less the one line end (LF, CR LF or CR) that an
  // editor or echo leaves behind, which is no part of the secret.
  static Content ReadSecret(const std::filesystem::path& path);
};

}  // namespace pelmora
