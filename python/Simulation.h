#pragma once

#include <pybind11/pybind11.h>

#include <optional>
#include <string>

#include "pelmora/simulator/TelnetShellServer.h"

namespace pelmora::python {

// pelmora.simulate(): a simulated print server served over telnet on 127.0.0.1, on a port the
// system picks, from a thread of its own, for as long as the with block lasts.
class Simulation {
 public:
  explicit Simulation(std::optional<std::string> password);

  // Starts serving; gives (host, port). ValueError when it serves or has served.
  pybind11::tuple Enter();
  void Exit();

 private:
  enum class State { Fresh, Serving, Ended };

  TelnetShellServer server_;
  State state_ = State::Fresh;
};

}  // namespace pelmora::python
