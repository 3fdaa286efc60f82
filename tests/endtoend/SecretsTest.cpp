// The simulated print server prints nothing of the sessions it serves, so no secret handed to
// the library reaches its console. That errors do not quote secrets, whether the device or the
// library refuses them, the tool's Sim test shows through every road those refusals share.
#include <gtest/gtest.h>

#include <string>

#include "pelmora/device/DeviceInternals.h"
#include "pelmora/frame/Global.h"
#include "pelmora/simulator/TelnetShellServer.h"
#include "pelmora/transport/TelnetConnection.h"

namespace pelmora {
namespace {

TEST(SecretsTest, TheSimulatorPrintsNothingOfASessionCarryingSecrets) {
  ::testing::internal::CaptureStdout();
  ::testing::internal::CaptureStderr();
  // Whatever goes wrong inside, the capture must end, or the test's own report is swallowed.
  std::string unexpected;
  try {
    TelnetShellServer::Options options;
    options.password = "Shell-Secret-4242";
    TelnetShellServer server(options);
    server.Start();
    const auto device =
        Global::CreatePelmoraT2Obj(std::make_shared<TelnetConnection>("127.0.0.1", server.Port()));
    DeviceInternals::Handler(*device)->SetDefaultTimeout(2000);
    device->Login("Shell-Secret-4242");
    device->SetPSK("Psk-Secret-31415");
    try {
      device->SetWepKey(3, "Wep-Not-Hex-99");
      unexpected = "a key that is no hexadecimal number was taken";
    } catch (const AutomationError&) {
    }
    Global::TeardownPrinterObj(device);
  } catch (const AutomationError& error) {
    unexpected = std::to_string(error.Number()) + " " + error.Description();
  }
  EXPECT_EQ(::testing::internal::GetCapturedStdout() + ::testing::internal::GetCapturedStderr(),
            "");
  EXPECT_EQ(unexpected, "");
}

}  // namespace
}  // namespace pelmora
