#include "pelmora/session/SecretSource.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "pelmora/session/Target.h"

namespace pelmora {

namespace {

[[noreturn]] void Refuse(const std::string& path, const std::string& what) {
  throw TargetError(path + ": " + what);
}

// Opened without blocking, so that a FIFO cannot hang the run, and checked on the open
// descriptor, so that the file cannot be swapped between the check and the read.
std::string ReadSecretFile(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) Refuse(path, std::strerror(errno));
  struct Closer {
    int fd;
    ~Closer() { close(fd); }
  } closer{fd};
  struct stat status {};
  if (fstat(fd, &status) != 0) Refuse(path, std::strerror(errno));
  if (!S_ISREG(status.st_mode)) Refuse(path, "not a regular file");
  if (static_cast<std::size_t>(status.st_size) > SecretSource::kMaxFileBytes) {
    Refuse(path, "larger than 1 MiB");
  }
  std::string text;
  char buffer[4096];
  for (;;) {
    const auto got = read(fd, buffer, sizeof buffer);
    if (got < 0) Refuse(path, std::string("read error: ") + std::strerror(errno));
    if (got == 0) break;
    text.append(buffer, static_cast<std::size_t>(got));
    if (text.size() > SecretSource::kMaxFileBytes) Refuse(path, "larger than 1 MiB");
  }
  return text;
}

std::string WithoutLineEnd(std::string text) {
  if (!text.empty() && text.back() == '\n') text.pop_back();
  if (!text.empty() && text.back() == '\r') text.pop_back();
  return text;
}

}  // namespace

std::string SecretSource::Resolve() const {
  switch (from) {
    case From::Env: {
      const char* text = std::getenv(value.c_str());
      if (text == nullptr) throw TargetError("the environment variable " + value + " is not set");
      return text;
    }
    case From::File:
      return WithoutLineEnd(ReadSecretFile(value));
    case From::Literal:
      break;
  }
  return value;
}

}  // namespace pelmora
