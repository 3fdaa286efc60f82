// The Python module `pelmora`: the library's device, its settings by name, its reports and its
// errors, for scripts. It maps names, values and errors; the behaviour is the library's.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <memory>
#include <optional>
#include <string>

#include "CatalogCalls.h"
#include "Device.h"
#include "Errors.h"
#include "RawDevice.h"
#include "SignalBridge.h"
#include "Simulation.h"
#include "Text.h"
#include "pelmora/Version.h"

namespace py = pybind11;
using namespace pelmora;
using namespace pelmora::python;

namespace {

// The keys of the tool's JSON reports.
py::dict VersionKeys(const VersionInfo& info) {
  py::dict keys;
  keys["ProductName"] = ToPython(info.ProductName());
  keys["FirmwareVersion"] = ToPython(info.FirmwareVersion());
  keys["BootVersion"] = ToPython(info.BootVersion());
  return keys;
}

py::dict IpKeys(const IPInfo& info) {
  py::dict keys;
  keys["IPAddress"] = ToPython(info.IPAddress());
  keys["SubnetMask"] = ToPython(info.SubnetMask());
  keys["DefaultRouter"] = ToPython(info.DefaultRouter());
  keys["BootMethod"] = static_cast<std::int32_t>(info.BootMethod());
  keys["ActualIPAssignment"] = static_cast<std::int32_t>(info.ActualIPAssignment());
  return keys;
}

py::dict WirelessKeys(const WirelessInfo& info) {
  py::dict keys;
  keys["RegulatoryDomain"] = ToPython(info.RegulatoryDomain());
  keys["WiFiFWVersion"] = ToPython(info.WiFiFWVersion());
  keys["APMacAddress"] = ToPython(info.APMacAddress());
  keys["WepEncryption"] = static_cast<std::int32_t>(info.WepEncryption());
  keys["WepKey1Set"] = info.WepKey1Set();
  keys["WepKey2Set"] = info.WepKey2Set();
  keys["WepKey3Set"] = info.WepKey3Set();
  keys["WepKey4Set"] = info.WepKey4Set();
  keys["EAPState"] = static_cast<std::int32_t>(info.EAPState());
  return keys;
}

py::dict Show(Device& device, const std::string& report) {
  if (report == "version") {
    return VersionKeys(*device.Run([](PelmoraT2& d) { return d.GetVersion(); }));
  }
  if (report == "ip") return IpKeys(*device.Run([](PelmoraT2& d) { return d.GetIPInfo(); }));
  if (report == "wireless") {
    return WirelessKeys(*device.Run([](PelmoraT2& d) { return d.GetWirelessInfo(); }));
  }
  throw py::value_error("unknown report '" + report + "'; the reports are version, ip, wireless");
}

void BindDialogues(py::class_<Device, std::shared_ptr<Device>>& device) {
  device
      .def(
          "command",
          [](Device& self, const Text& line) {
            // A line break would end the line early and run the rest as further lines.
            if (line.bytes.find_first_of("\r\n") != std::string::npos) {
              throw py::value_error("a command line holds no line break; send each by itself");
            }
            return Text{self.Run([&](PelmoraT2& d) { return d.Command(line.bytes + "\r"); })};
          },
          py::arg("line"), "Runs one shell command line and returns its answer.")
      .def(
          "save", [](Device& self) { self.Run([](PelmoraT2& d) { d.SaveSettings(); }); },
          "Makes the settings permanent.")
      .def(
          "reset", [](Device& self) { self.Run([](PelmoraT2& d) { d.ResetPrintServer(); }); },
          "Restarts the print server.")
      .def(
          "login", [](Device& self, const Text& password) { self.Login(password.bytes); },
          py::arg("password"),
          "Leaves the shell's read-only state; sends the password only when it is read-only. "
          "A password the shell does not accept raises AutomationError.")
      .def(
          "logoff", [](Device& self) { self.Run([](PelmoraT2& d) { d.Logoff(); }); },
          "Leaves the shell.")
      .def_property_readonly(
          "read_only",
          [](Device& self) { return self.Run([](PelmoraT2& d) { return d.IsReadOnlyMode(); }); },
          "Whether the shell is read-only (asks the device).")
      .def("show", &Show, py::arg("report"),
           "A status report, 'version', 'ip' or 'wireless', as a dict.");
}

void BindDevice(py::module_& module) {
  py::class_<Device, std::shared_ptr<Device>> device(
      module, "Device",
      "One print server. Use it on the thread that connected it; as a context manager it ends "
      "the session on leaving the block.");
  device.def("close", &Device::Close, "Ends the session.")
      .def("__enter__", [](const std::shared_ptr<Device>& self) { return self; })
      .def(
          "__exit__",
          [](Device& self, const py::handle&, const py::handle&, const py::handle&) {
            self.Close();
          },
          py::arg("kind"), py::arg("error"), py::arg("traceback"))
      .def_property_readonly(
          "raw", [](const std::shared_ptr<Device>& self) { return RawDevice{self}; },
          "The library's device object with its own member names.");
  BindDialogues(device);
  CatalogCalls::Bind(device);
}

// A name that the system would cut at its first NUL would reach another host or device.
void CheckName(const std::optional<std::string>& name, const char* what) {
  if (!name) return;
  if (name->empty()) throw py::value_error(std::string(what) + " is empty");
  if (name->find('\0') != std::string::npos) {
    throw py::value_error(std::string(what) + " holds a NUL character");
  }
}

void CheckAtLeast(std::int64_t value, std::int64_t lowest, const char* what) {
  if (value < lowest) {
    throw py::value_error(std::string(what) + " must be at least " + std::to_string(lowest) +
                          ", not " + std::to_string(value));
  }
}

// A target that can never be opened (a bad port, a NUL in a name, a negative limit) is a
// ValueError before anything is opened.
Target ConnectTarget(std::optional<std::string> host, int port, std::optional<std::string> serial,
                     int baud, std::optional<Text> password, std::int32_t timeout,
                     std::optional<std::int32_t> framingDelay) {
  if (host && serial) {
    throw py::value_error("connect() takes a host or a serial line, not both");
  }
  CheckName(host, "host");
  CheckName(serial, "serial");
  if (port < 1 || port > 65535) {
    throw py::value_error("port must be from 1 to 65535, not " + std::to_string(port));
  }
  CheckAtLeast(baud, 1, "baud");
  CheckAtLeast(timeout, 1, "timeout (ms)");
  if (framingDelay) CheckAtLeast(*framingDelay, 0, "framing_delay (ms)");
  Target target;
  if (host) {
    target.kind = Target::Kind::Host;
    target.host = std::move(*host);
    target.port = port;
  } else if (serial) {
    target = Target::Serial(std::move(*serial), baud);
  }
  target.timeoutMs = timeout;
  target.framingDelayMs = framingDelay;
  if (password) target.password = SecretSource::Literal(password->bytes);
  try {
    target.Check();
  } catch (const TargetError& error) {
    throw py::value_error(error.what());
  }
  return target;
}

std::shared_ptr<Device> Connect(std::optional<std::string> host, int port,
                                std::optional<std::string> serial, int baud,
                                std::optional<Text> password, std::int32_t timeout,
                                std::optional<std::int32_t> framingDelay) {
  return std::make_shared<Device>(ConnectTarget(std::move(host), port, std::move(serial), baud,
                                                std::move(password), timeout, framingDelay));
}

}  // namespace

PYBIND11_MODULE(pelmora, module) {
  module.doc() =
      "Read and change the settings of wireless print servers through their configuration "
      "shell, over telnet, a serial line, or a simulated print server.";
  module.attr("__version__") = LibraryVersion();
  SignalBridge::Install();
  Errors::Register(module);
  RawDevice::Bind(module);
  BindDevice(module);
  module.def("connect", &Connect, py::arg("host") = py::none(), py::arg("port") = 23,
             py::arg("serial") = py::none(), py::arg("baud") = 9600,
             py::arg("password") = py::none(), py::arg("timeout") = 10000,
             py::arg("framing_delay") = py::none(),
             "A Device: a print server over telnet (host), on a serial line (serial), or, "
             "without either, a simulated print server of its own. With a password it logs in. "
             "framing_delay (ms, default 10) is how long an answer may still grow before it is "
             "framed; 0 frames it as soon as it ends with a prompt.");
  py::class_<Simulation>(module, "Simulation",
                         "A simulated print server served over telnet while the block lasts.")
      .def("__enter__", &Simulation::Enter)
      .def(
          "__exit__",
          [](Simulation& self, const py::handle&, const py::handle&, const py::handle&) {
            self.Exit();
          },
          py::arg("kind"), py::arg("error"), py::arg("traceback"));
  module.def(
      "simulate",
      [](std::optional<Text> password) {
        std::optional<std::string> bytes;
        if (password) bytes = password->bytes;
        return std::make_unique<Simulation>(std::move(bytes));
      },
      py::arg("password") = py::none(),
      "A context manager serving a simulated print server on 127.0.0.1 in a background thread; "
      "it gives (host, port). With a password the shell starts read-only.");
}
