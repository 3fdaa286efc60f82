#include "pelmora/session/LimitedFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace pelmora {

namespace {

std::optional<std::string> KindProblem(const struct stat& status) {
  if (S_ISREG(status.st_mode)) return std::nullopt;
  if (S_ISDIR(status.st_mode)) return "a directory, not a file";
  if (S_ISFIFO(status.st_mode)) return "a FIFO, not a file";
  if (S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode)) return "a device file, not a file";
  return "not a regular file";
}

std::string TooLarge() {
  return "larger than " + std::to_string(LimitedFile::kLimit / 1024 / 1024) + " MiB";
}

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int Get() const noexcept { return fd_; }

 private:
  int fd_;
};

}  // namespace

LimitedFile::Content LimitedFile::Read(const std::filesystem::path& path) {
  // Not blocking: opening a FIFO with no writer would wait for ever.
  const Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (file.Get() < 0) return {{}, std::strerror(errno)};
  struct stat status {};
  if (::fstat(file.Get(), &status) != 0) return {{}, std::strerror(errno)};
  if (auto problem = KindProblem(status)) return {{}, std::move(problem)};
  if (static_cast<std::size_t>(status.st_size) > kLimit) return {{}, TooLarge()};
  // The size told may be wrong (files under /proc tell 0), so the reading itself is limited.
  Content content;
  content.text.resize(kLimit + 1);
  std::size_t filled = 0;
  while (filled < content.text.size()) {
    const ssize_t got =
        ::read(file.Get(), content.text.data() + filled, content.text.size() - filled);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return {{}, std::strerror(errno)};
    if (got == 0) break;
    filled += static_cast<std::size_t>(got);
  }
  if (filled > kLimit) return {{}, TooLarge()};
  content.text.resize(filled);
  return content;
}

LimitedFile::Content LimitedFile::ReadSecret(const std::filesystem::path& path) {
  Content content = Read(path);
  std::string& text = content.text;
  if (text.ends_with('\n')) text.pop_back();
  if (text.ends_with('\r')) text.pop_back();
  return content;
}

}  // namespace pelmora
