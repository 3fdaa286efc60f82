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
  // A server serves once, as a closed file reads no more.
  if (state_ == State::Serving) throw pybind11::value_error("this simulation is already serving");
  if (state_ == State::Ended) {
    throw pybind11::value_error("this simulation has ended; pelmora.simulate() makes a new one");
  }
  server_.Start();
  state_ = State::Serving;
  return pybind11::make_tuple("127.0.0.1", server_.Port());
}

void Simulation::Exit() {
  state_ = State::Ended;
  pybind11::gil_scoped_release release;
  server_.Stop();
}

}  // namespace pelmora::python
