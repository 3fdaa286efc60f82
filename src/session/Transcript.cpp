#include "pelmora/session/Transcript.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <ctime>
#include <stdexcept>

namespace pelmora {

namespace {

// Shell commands whose argument is a secret; the argument runs to the end of the line.
constexpr std::array<std::string_view, 4> kSecretCommands{"SET NW PW ", "SET NW WPAPSK ",
                                                          "SET NW KEYVAL ", "SET NW CERTKEY "};

std::string Lowered(std::string_view text) {
  std::string lowered(text);
  std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lowered;
}

std::size_t LineEndFrom(const std::string& line, std::size_t from) {
  const auto end = line.find_first_of("\r\n", from);
  return end == std::string::npos ? line.size() : end;
}

// Replaces every argument of a secret-carrying command in the line.
void MaskSecretCommands(std::string& line) {
  for (const auto command : kSecretCommands) {
    const std::string lowered = Lowered(command);
    std::size_t at = Lowered(line).find(lowered);
    while (at != std::string::npos) {
      const std::size_t from = at + command.size();
      const std::size_t to = LineEndFrom(line, from);
      if (to > from) line.replace(from, to - from, Transcript::kMask);
      at = Lowered(line).find(lowered, from + Transcript::kMask.size());
    }
  }
}

void MaskValue(std::string& line, const std::string& secret) {
  for (auto at = line.find(secret); at != std::string::npos;
       at = line.find(secret, at + Transcript::kMask.size())) {
    line.replace(at, secret.size(), Transcript::kMask);
  }
}

bool IsUnproLine(std::string_view sent) {
  while (!sent.empty() && (sent.back() == '\r' || sent.back() == '\n' || sent.back() == ' ')) {
    sent.remove_suffix(1);
  }
  while (!sent.empty() && sent.front() == ' ') sent.remove_prefix(1);
  return Lowered(sent) == "unpro";
}

}  // namespace

Transcript::Transcript(const std::string& path) : file_(path, std::ios::app | std::ios::binary) {
  if (!file_) throw std::runtime_error("cannot open the log file " + path);
}

Transcript::~Transcript() {
  FlushReceived();
}

void Transcript::AddSecret(const std::string& secret) {
  if (!secret.empty()) secrets_.push_back(secret);
  // Longer secrets first, so that one secret inside another cannot leave a part of it visible.
  std::sort(secrets_.begin(), secrets_.end(),
            [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
}

void Transcript::Note(std::string_view text) {
  FlushReceived();
  Write(Clock::now(), '#', text);
}

void Transcript::Sent(std::string_view bytes) {
  FlushReceived();
  std::string line(bytes);
  if (nextSendIsSecret_) {
    const std::size_t end = line.find_last_not_of("\r\n");
    line.replace(0, end == std::string::npos ? 0 : end + 1, kMask);
  }
  nextSendIsSecret_ = IsUnproLine(bytes);
  Write(Clock::now(), '>', Masked(line));
}

void Transcript::Received(std::string_view bytes) {
  if (pendingReceived_.empty()) pendingSince_ = Clock::now();
  pendingReceived_.append(bytes);
  for (auto end = pendingReceived_.find('\n'); end != std::string::npos;
       end = pendingReceived_.find('\n')) {
    Write(pendingSince_, '<', Masked(pendingReceived_.substr(0, end + 1)));
    pendingReceived_.erase(0, end + 1);
    pendingSince_ = Clock::now();
  }
}

void Transcript::FlushReceived() {
  if (pendingReceived_.empty()) return;
  Write(pendingSince_, '<', Masked(pendingReceived_));
  pendingReceived_.clear();
}

std::string Transcript::Masked(std::string line) const {
  MaskSecretCommands(line);
  for (const auto& secret : secrets_) MaskValue(line, secret);
  return line;
}

void Transcript::Write(Clock::time_point when, char direction, std::string_view text) {
  file_ << Stamp(when) << ' ' << direction << ' ' << Escaped(text) << '\n';
  file_.flush();
}

std::string Transcript::Escaped(std::string_view text) {
  std::string escaped;
  for (const unsigned char c : text) {
    if (c == '\r') {
      escaped += "\\r";
    } else if (c == '\n') {
      escaped += "\\n";
    } else if (c == '\\') {
      escaped += "\\\\";
    } else if (c < 32 || c >= 127) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      escaped += hex;
    } else {
      escaped += static_cast<char>(c);
    }
  }
  return escaped;
}

std::string Transcript::Stamp(Clock::time_point when) {
  const std::time_t seconds = Clock::to_time_t(when);
  const auto millis =
      std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count() % 1000;
  std::tm local{};
  localtime_r(&seconds, &local);
  char text[40];
  const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  std::snprintf(text + length, sizeof text - length, ".%03lld", static_cast<long long>(millis));
  return text;
}

}  // namespace pelmora
