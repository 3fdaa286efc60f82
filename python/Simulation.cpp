#include "Simulation.h"

#include <utility>

namespace pelmora::python {

namespace {

TelnetShellServer::Options Loopback(std::optional<std::string> password) {
  TelnetShellServer::Options options;
  options.password = std::move(password);
  return options;
}

}  // namespace

Simulation::Simulation(std::optional<std::string> password)
    : server_(Loopback(std::move(password))) {}

pybind11::tuple Simulation::Enter() {
  server_.Start();
  return pybind11::make_tuple("127.0.0.1", server_.Port());
}

void Simulation::Exit() {
  pybind11::gil_scoped_release release;
  server_.Stop();
}

}  // namespace pelmora::python
