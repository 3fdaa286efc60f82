#pragma once

#include <memory>

#include "pelmora/frame/Global.h"
#include "pelmora/simulator/EmbeddedPrintServer.h"

namespace pelmora::testing {

// A device object on a fresh simulated print server in this process, whose state and faults the
// test can reach.
struct CatalogSimulator {
  CatalogSimulator() : device(Global::CreatePelmoraT2Obj(server.Connection())) {
    device->ProtocolHandler()->SetDefaultTimeout(2000);
  }
  ~CatalogSimulator() { Global::TeardownPrinterObj(device); }

  ShellSettings& Running() { return server.State().Running(); }
  ShellSettings Saved() { return server.State().Saved()->Load(); }

  EmbeddedPrintServer server;
  std::shared_ptr<PelmoraT2> device;
};

}  // namespace pelmora::testing
