// Arbitrary bytes, in arbitrary pieces and under arbitrary faults, into the simulated print
// server's shell engine. The engine must stay usable, keep its output proportional to its input,
// and never show a secret it holds unless the input itself carried that secret.
#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "FuzzSupport.h"
#include "pelmora/simulator/PrintServerState.h"
#include "pelmora/simulator/ShellEngine.h"

namespace {

using namespace pelmora;
using fuzz::Require;

// Long and odd enough that no screen or answer forms them by chance.
const std::string kShellPassword = "Sh3ll-Fuzz-Pw";
const std::array<std::string, 5> kSecrets{kShellPassword, "Psk-Fuzz-Secret-71", "Wep-Fuzz-K1",
                                          "Wep-Fuzz-K4", "Eap-Fuzz-Pw-9"};
// Per line at most: its echo (one line buffer), a screen, the stray bytes.
constexpr std::size_t kMostPerLine = 2 * ShellEngine::kMaxLineLength + 4 * 1024;

std::shared_ptr<PrintServerState> DeviceWithSecrets(bool withPassword) {
  auto device = std::make_shared<PrintServerState>();
  if (withPassword) device->SetShellPassword(kShellPassword);
  auto& settings = device->Running();
  settings.psk = kSecrets[1];
  settings.wepKeys = {kSecrets[2], "", "", kSecrets[3]};
  settings.eapPassword = kSecrets[4];
  device->Save();
  return device;
}

void ChooseFaults(FuzzedDataProvider& input, ShellFaults& faults) {
  const auto flags = input.ConsumeIntegral<std::uint8_t>();
  faults.noEcho = (flags & 1) != 0;
  faults.stallAfterEcho = (flags & 2) != 0;
  faults.noPrompt = (flags & 4) != 0;
  if ((flags & 8) != 0) faults.strayBytesBeforeEcho = input.ConsumeRandomLengthString(16);
  if ((flags & 16) != 0) faults.dropSessionAtLine = input.ConsumeIntegralInRange(1, 8);
  if ((flags & 32) != 0) {
    faults.answerOverrides[input.ConsumeRandomLengthString(16)] = {
        input.ConsumeRandomLengthString(32)};
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const bool withPassword = input.ConsumeBool();
  std::string output;
  std::string fed;
  int closes = 0;
  ShellEngine engine(
      DeviceWithSecrets(withPassword), [&](std::string_view bytes) { output += bytes; },
      [&] { ++closes; });
  ChooseFaults(input, engine.Faults());
  const std::size_t stray = engine.Faults().strayBytesBeforeEcho.size();
  while (input.remaining_bytes() > 0) {
    const std::string piece = input.ConsumeRandomLengthString(64);
    for (char c : piece) {
      if (c != '\n') fed += c;  // the engine ignores line feeds: "a\nb" is the line "ab"
    }
    engine.Feed(piece);
    if (engine.State() == ShellEngine::ShellState::Restarting && input.ConsumeBool()) {
      engine.FinishRestart();
    }
  }
  // Every byte of output answers a line of input (or the line being typed, which has none).
  Require(output.size() <= (engine.LinesReceived() + 1) * (kMostPerLine + stray),
          "the engine wrote more than its input can ask for");
  // Stray bytes and overridden answers are the fuzzer's own text, printed next to echoes.
  const bool ownTextShown = stray > 0 || !engine.Faults().answerOverrides.empty();
  for (const auto& secret : kSecrets) {
    if (ownTextShown || fed.find(secret) != std::string::npos) continue;
    Require(output.find(secret) == std::string::npos, "a secret reached the shell's output");
  }
  // However the session ended, a new line opens a new one and is answered. The first CR ends a
  // line still being typed (which may itself be "exit"), the second one is a line of its own.
  engine.Faults() = ShellFaults{};
  engine.Feed("\r");
  if (engine.State() == ShellEngine::ShellState::Restarting) engine.FinishRestart();
  output.clear();
  engine.Feed("\r");
  Require(
      output.find("Local") != std::string::npos || output.find("Password> ") != std::string::npos,
      "the engine stopped answering");
  return 0;
}
