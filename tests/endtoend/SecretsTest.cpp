// Secrets handed to the library (the shell password, a PSK, WEP keys, the root key, the 802.1X
// password) reach neither an error description, whether the device or the library refuses them,
// nor the console of the simulated print server that serves the session.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "pelmora/device/DeviceInternals.h"
#include "pelmora/frame/Global.h"
#include "pelmora/simulator/TelnetShellServer.h"
#include "pelmora/transport/TelnetConnection.h"

namespace pelmora {
namespace {

const std::string kShellPassword = "Shell-Secret-4242";

std::string RefusalOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const AutomationError& error) {
    return std::to_string(error.Number()) + " " + error.Source() + ": " + error.Description();
  }
  ADD_FAILURE() << "expected a refusal";
  return {};
}

TEST(SecretsTest, RefusedSecretsAreNotRepeatedAndTheSimulatorPrintsNothing) {
  ::testing::internal::CaptureStdout();
  ::testing::internal::CaptureStderr();
  std::vector<std::string> refusals;
  // Whatever goes wrong inside, the capture must end, or the test's own report is swallowed.
  std::string unexpected;
  try {
    TelnetShellServer::Options options;
    options.password = kShellPassword;
    TelnetShellServer server(options);
    server.Start();
    const auto device =
        Global::CreatePelmoraT2Obj(std::make_shared<TelnetConnection>("127.0.0.1", server.Port()));
    DeviceInternals::Handler(*device)->SetDefaultTimeout(2000);

    // Read-only, the device refuses every change; the login itself is RoundTripTest's.
    refusals.push_back(RefusalOf([&] { device->SetPSK("Psk-Secret-31415"); }));
    device->Login(kShellPassword);

    device->SetPSK("Psk-Secret-31415");
    device->SetWepKey(2, "C0FFEE4242");
    device->SetRootKey("A1B2C3D4E5F6");
    device->SetPassword("Eap-Secret-1729");
    // Refused by the device: too short, not hexadecimal, not a root key.
    refusals.push_back(RefusalOf([&] { device->SetPSK("Short-1"); }));
    refusals.push_back(RefusalOf([&] { device->SetWepKey(3, "Wep-Not-Hex-99"); }));
    refusals.push_back(RefusalOf([&] { device->SetRootKey("Root-Not-Hex-77"); }));
    // Refused by the library before anything is sent.
    refusals.push_back(RefusalOf([&] { device->SetPSK("Psk-Secret-31415\rSAVE"); }));
    refusals.push_back(RefusalOf([&] { device->SetPassword("Eap-Secret-1729\nexit"); }));
    refusals.push_back(RefusalOf([&] { device->Login(kShellPassword + "\r"); }));
    Global::TeardownPrinterObj(device);
  } catch (const AutomationError& error) {
    unexpected = std::to_string(error.Number()) + " " + error.Description();
  }
  const std::string console =
      ::testing::internal::GetCapturedStdout() + ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(console, "");
  ASSERT_EQ(unexpected, "");

  ASSERT_EQ(refusals.size(), 7U);
  for (const auto& refusal : refusals) {
    EXPECT_FALSE(refusal.empty());
    for (const char* secret :
         {"Shell-Secret-4242", "Psk-Secret-31415", "C0FFEE4242", "A1B2C3D4E5F6", "Eap-Secret-1729",
          "Short-1", "Wep-Not-Hex-99", "Root-Not-Hex-77"}) {
      EXPECT_EQ(refusal.find(secret), std::string::npos) << refusal;
    }
  }
}

}  // namespace
}  // namespace pelmora
