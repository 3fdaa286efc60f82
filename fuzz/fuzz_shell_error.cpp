// Any answer text from the shell, framed by a device object's command over the in-memory
// connection: an answer holding the shell's error line becomes error 9998 whose description is
// exactly the one computed here from the rule for that line; any other answer comes back
// unchanged.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <memory>
#include <string>

#include "FuzzSupport.h"
#include "pelmora/device/DeviceInternals.h"
#include "pelmora/device/PelmoraT2.h"
#include "pelmora/platform/ErrorNumbers.h"
#include "pelmora/transport/PipeConnection.h"

namespace {

using namespace pelmora;
using fuzz::Require;

const std::string kLine = "SH NW SSID\r";
const std::string kDescriptionLead = "Device reported error: ";

std::string Lowered(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// The answer as the device object's caller sees it: between echo and prompt, outer line
// breaks removed. Texts that would end the answer early are left out of the fuzzed part.
bool UsableAnswer(const std::string& answer) {
  for (const char* end : {"Local> ", "Local: ", "Password> ", "Exit Configuration task"}) {
    if (answer.find(end) != std::string::npos) return false;
  }
  return answer.find("SH NW SSID") == std::string::npos;
}

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of("\r\n");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of("\r\n") - first + 1);
}

std::string TrimmedBlanks(const std::string& text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// What the error tells: the rest of the tag's line with its blanks, or, on the last line, the
// rest of the reply without outer blanks.
std::string ErrorText(const std::string& reply, std::size_t tagAt) {
  const std::size_t from = tagAt + std::string_view("%cfgerr:").size();
  const std::size_t lineEnd = reply.find('\r', tagAt);
  if (lineEnd == std::string::npos) return TrimmedBlanks(reply.substr(from));
  return reply.substr(from, lineEnd - from);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string answer(reinterpret_cast<const char*>(data), size);
  if (!UsableAnswer(answer)) return 0;
  auto pipe = std::make_shared<PipeConnection>();
  auto device = std::make_shared<PelmoraT2>();
  DeviceInternals::AttachConnection(*device, pipe);
  DeviceInternals::Handler(*device)->SetDefaultTimeout(200);
  pipe->SetPeer(
      [&](std::string_view) { pipe->PeerWrite("SH NW SSID\r\n" + answer + "\r\nLocal> "); });

  const std::string expected = Trimmed("\n" + answer + "\r\n");
  const std::string lowered = Lowered(expected);
  const auto errorAt = lowered.find("%cfgerr:");
  const bool shellError =
      errorAt != std::string::npos && lowered.find("%cfgerr: syntax <>") == std::string::npos;
  try {
    const std::string reply = device->Command(kLine);
    Require(!shellError, "an error line came back as an answer");
    Require(reply == expected, "the answer came back changed");
  } catch (const AutomationError& error) {
    fuzz::RequireNumber(error, {errors::kDeviceReportedError}, "Command");
    Require(shellError, "an answer without an error line raised 9998");
    Require(error.Source() == "Command", "9998 with another source");
    Require(error.Description() == kDescriptionLead + ErrorText(expected, errorAt),
            "9998 told another text than its line");
  }
  DeviceInternals::AttachConnection(*device, nullptr);
  return 0;
}
