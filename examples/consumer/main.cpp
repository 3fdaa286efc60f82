// Reads the SSID of the simulated print server that the library carries, the smallest program
// that uses an installed libpelmora.
#include <iostream>

#include "pelmora/Version.h"
#include "pelmora/frame/Global.h"
#include "pelmora/simulator/EmbeddedPrintServer.h"

int main() {
  pelmora::EmbeddedPrintServer printServer;
  const auto device = pelmora::Global::CreatePelmoraT2Obj(printServer.Connection());
  try {
    std::cout << "libpelmora " << pelmora::LibraryVersion() << ": " << device->GetSSID() << "\n";
  } catch (const pelmora::AutomationError& error) {
    std::cerr << "error " << error.Number() << ": " << error.Description() << "\n";
    return 1;
  }
  pelmora::Global::TeardownPrinterObj(device);
}
