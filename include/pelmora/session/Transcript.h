#pragma once

#include <chrono>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace pelmora {

// The --log transcript: every line sent to and received from the print server, each with a time
// stamp. Control characters are written as escapes (\r, \n, \xNN), so a line end is visible.
//
//   2024-05-02 14:03:11.482 > SH NW SSID\r
//   2024-05-02 14:03:11.495 < SH NW SSID\r\n
//
// Secrets never reach the file: the values of password, key and PSK setters and of logins
// (registered with AddSecret), the argument of the shell commands that carry a secret, and the
// line that follows "unpro" (the shell password, sent as a silent command) are masked, in what
// is sent and in what the device echoes back.
class Transcript {
 public:
  static constexpr std::string_view kMask = "********";

  // Opens the file for appending; throws std::runtime_error when it cannot.
  explicit Transcript(const std::string& path);
  ~Transcript();
  Transcript(const Transcript&) = delete;
  Transcript& operator=(const Transcript&) = delete;

  void AddSecret(const std::string& secret);
  void Note(std::string_view text);
  void Sent(std::string_view bytes);
  // Received bytes are written line by line; an unfinished line (a prompt) waits for the next
  // send, the next note or the end of the transcript.
  void Received(std::string_view bytes);
  void FlushReceived();

  // The masking applied to one line, for either direction.
  std::string Masked(std::string line) const;

 private:
  using Clock = std::chrono::system_clock;

  void Write(Clock::time_point when, char direction, std::string_view text);
  static std::string Escaped(std::string_view text);
  static std::string Stamp(Clock::time_point when);

  std::ofstream file_;
  std::vector<std::string> secrets_;
  std::string pendingReceived_;
  Clock::time_point pendingSince_;
  bool nextSendIsSecret_ = false;
};

}  // namespace pelmora
