// A device object against a print server that misbehaves: each fault ends the command in its
// error within its time limit, and the next command on the same device object works. Run under
// the sanitizer build, these tests also show that no fault leaks memory. The faults a single
// layer decides (session ends, floods, XOFF, split answers, telnet bytes, refused connects) are
// tested at that layer.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "pelmora/device/DeviceInternals.h"
#include "pelmora/frame/Global.h"
#include "pelmora/simulator/EmbeddedPrintServer.h"

namespace pelmora {
namespace {

using std::chrono::milliseconds;

constexpr milliseconds kLimit{300};
// Far above any delay of a loaded machine or the sanitizers, far below the ten seconds a wait
// would take that fell back on the library's own default limit.
constexpr milliseconds kMargin{4000};

// The error number a "SH NW SSID" ends in (0 when answered), and how long it took.
std::pair<std::int32_t, milliseconds> AskSsid(PelmoraT2& device, std::int32_t timeout = 0) {
  const auto started = std::chrono::steady_clock::now();
  std::int32_t number = 0;
  try {
    EXPECT_EQ(device.Command("SH NW SSID\r", nullptr, false, timeout), "WiFi SSID: PrintNet");
  } catch (const AutomationError& error) {
    number = error.Number();
  }
  return {number,
          std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now() - started)};
}

TEST(DeviceFaultsTest, AnswersThatNeverCompleteEndAtTheirLimitAndTheNextCommandWorks) {
  // No echo or nothing behind it: no answer began, the default limit ends it. An answer without
  // a prompt has begun; only the caller's limit ends it, and the default stays the library's
  // own, so that a wait that took it instead would overrun the margin.
  const std::vector<std::tuple<bool ShellFaults::*, std::int32_t, std::int32_t>> rows = {
      {&ShellFaults::noEcho, 0, 119},
      {&ShellFaults::stallAfterEcho, 0, 119},
      {&ShellFaults::noPrompt, 200, 120},
  };
  for (const auto& [fault, timeout, error] : rows) {
    EmbeddedPrintServer server;
    const auto device = Global::CreatePelmoraT2Obj(server.Connection());
    if (timeout == 0) {
      DeviceInternals::Handler(*device)->SetDefaultTimeout(
          static_cast<std::int32_t>(kLimit.count()));
    }
    server.Faults().*fault = true;
    const auto [number, took] = AskSsid(*device, timeout);
    EXPECT_EQ(number, error);
    const milliseconds limit = timeout > 0 ? milliseconds(timeout) : kLimit;
    EXPECT_GE(took, limit);
    EXPECT_LT(took, limit + kMargin);

    server.Faults() = {};
    const auto [answered, again] = AskSsid(*device);
    EXPECT_EQ(answered, 0);
    EXPECT_LT(again, kMargin);
    Global::TeardownPrinterObj(device);
  }
}

}  // namespace
}  // namespace pelmora
