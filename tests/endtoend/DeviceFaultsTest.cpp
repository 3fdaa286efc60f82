// A device object against a print server that misbehaves: each fault ends the command in its
// error within its time limit, and the next command on the same device object works. Run under
// the sanitizer build, these tests also show that no fault leaks memory. The faults a single
// layer decides (session ends, floods, XOFF, split answers, telnet bytes, refused connects) are
// tested at that layer.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

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
const std::string kSsidLine = "SH NW SSID\r";

struct Outcome {
  std::optional<AutomationError> error;
  std::string reply;
  milliseconds took{0};
};

Outcome AskSsid(PelmoraT2& device, std::int32_t timeout = 0) {
  Outcome outcome;
  const auto started = std::chrono::steady_clock::now();
  try {
    outcome.reply = device.Command(kSsidLine, nullptr, false, timeout);
  } catch (const AutomationError& error) {
    outcome.error = error;
  }
  outcome.took =
      std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now() - started);
  return outcome;
}

// The device object as a client sets it up, with a short default limit unless told otherwise.
std::shared_ptr<PelmoraT2> DeviceOn(std::shared_ptr<Connection> connection,
                                    bool shortDefault = true) {
  auto device = Global::CreatePelmoraT2Obj(std::move(connection));
  if (shortDefault) {
    DeviceInternals::Handler(*device)->SetDefaultTimeout(static_cast<std::int32_t>(kLimit.count()));
  }
  return device;
}

void ExpectAnswered(const Outcome& outcome, const std::string& reply) {
  ASSERT_FALSE(outcome.error.has_value()) << outcome.error->Description();
  EXPECT_EQ(outcome.reply, reply);
  EXPECT_LT(outcome.took, kMargin);
}

struct Unfinished {
  bool ShellFaults::*fault;
  std::int32_t timeout;  // of the call; 0 takes the default
  std::int32_t error;
};

TEST(DeviceFaultsTest, AnswersThatNeverCompleteEndAtTheirLimitAndTheNextCommandWorks) {
  // No echo or nothing behind it: no answer began, the default limit ends it. An answer without
  // a prompt has begun; only the caller's limit ends it, and the default stays the library's
  // own, so that a wait that took it instead would overrun the margin.
  for (const Unfinished& row :
       {Unfinished{&ShellFaults::noEcho, 0, 119}, Unfinished{&ShellFaults::stallAfterEcho, 0, 119},
        Unfinished{&ShellFaults::noPrompt, 200, 120}}) {
    EmbeddedPrintServer server;
    const auto device = DeviceOn(server.Connection(), row.timeout == 0);
    server.Faults().*row.fault = true;
    const Outcome unfinished = AskSsid(*device, row.timeout);
    ASSERT_TRUE(unfinished.error.has_value()) << unfinished.reply;
    EXPECT_EQ(unfinished.error->Number(), row.error);
    const milliseconds limit = row.timeout > 0 ? milliseconds(row.timeout) : kLimit;
    EXPECT_GE(unfinished.took, limit);
    EXPECT_LT(unfinished.took, limit + kMargin);

    server.Faults() = {};
    ExpectAnswered(AskSsid(*device), "WiFi SSID: PrintNet");
    Global::TeardownPrinterObj(device);
  }
}

}  // namespace
}  // namespace pelmora
