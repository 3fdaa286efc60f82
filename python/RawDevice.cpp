#include "RawDevice.h"

#include <cstdint>
#include <string>
#include <type_traits>
#include <utility>

#include "Text.h"

namespace pelmora::python {

namespace py = pybind11;

namespace {

template <class T>
T In(T value) {
  return value;
}
std::string In(const Text& text) {
  return text.bytes;
}

template <class T>
T Out(T value) {
  return value;
}
Text Out(std::string text) {
  return Text{std::move(text)};
}
template <class E>
requires std::is_enum_v<E> std::int32_t Out(E value) {
  return static_cast<std::int32_t>(value);
}

// A member of the device object as a Python method taking `Args` (Text for a text argument).
template <auto Member, class... Args>
auto Call() {
  return [](const RawDevice& raw, Args... args) {
    return raw.device->Run([&](PelmoraT2& device) {
      if constexpr (std::is_void_v<decltype((device.*Member)(In(args)...))>) {
        (device.*Member)(In(args)...);
      } else {
        return Out((device.*Member)(In(args)...));
      }
    });
  };
}

template <class Report>
auto TextOf(const std::string& (Report::*property)() const) {
  return [property](const Report& report) { return Text{(report.*property)()}; };
}

void BindReports(py::module_& module) {
  py::class_<VersionInfo, std::shared_ptr<VersionInfo>>(module, "VersionInfo",
                                                        "The version screen, as read")
      .def_property_readonly("ProductName", TextOf(&VersionInfo::ProductName))
      .def_property_readonly("FirmwareVersion", TextOf(&VersionInfo::FirmwareVersion))
      .def_property_readonly("BootVersion", TextOf(&VersionInfo::BootVersion))
      .def("ToString", [](const VersionInfo& info) { return Text{info.ToString()}; });
  py::class_<IPInfo, std::shared_ptr<IPInfo>>(module, "IPInfo", "The IP screen, as read")
      .def_property_readonly("IPAddress", TextOf(&IPInfo::IPAddress))
      .def_property_readonly("SubnetMask", TextOf(&IPInfo::SubnetMask))
      .def_property_readonly("DefaultRouter", TextOf(&IPInfo::DefaultRouter))
      .def_property_readonly("BootMethod",
                             [](const IPInfo& info) { return Out(info.BootMethod()); })
      .def_property_readonly("ActualIPAssignment",
                             [](const IPInfo& info) { return Out(info.ActualIPAssignment()); })
      .def("ToString", [](const IPInfo& info) { return Text{info.ToString()}; });
  py::class_<WirelessInfo, std::shared_ptr<WirelessInfo>>(module, "WirelessInfo",
                                                          "The wireless screen, as read")
      .def_property_readonly("RegulatoryDomain", TextOf(&WirelessInfo::RegulatoryDomain))
      .def_property_readonly("WiFiFWVersion", TextOf(&WirelessInfo::WiFiFWVersion))
      .def_property_readonly("APMacAddress", TextOf(&WirelessInfo::APMacAddress))
      .def_property_readonly("WepEncryption",
                             [](const WirelessInfo& info) { return Out(info.WepEncryption()); })
      .def_property_readonly("WepKey1Set", &WirelessInfo::WepKey1Set)
      .def_property_readonly("WepKey2Set", &WirelessInfo::WepKey2Set)
      .def_property_readonly("WepKey3Set", &WirelessInfo::WepKey3Set)
      .def_property_readonly("WepKey4Set", &WirelessInfo::WepKey4Set)
      .def_property_readonly("EAPState",
                             [](const WirelessInfo& info) { return Out(info.EAPState()); })
      .def("ToString", [](const WirelessInfo& info) { return Text{info.ToString()}; });
}

void BindDialogues(py::class_<RawDevice>& raw) {
  raw.def(
         "Command",
         [](const RawDevice& self, const Text& expression, std::int32_t timeout) {
           return self.device->Run([&](PelmoraT2& device) {
             return Text{device.Command(expression.bytes, nullptr, false, timeout)};
           });
         },
         py::arg("expression"), py::arg("timeout") = 0,
         "Sends the text unchanged (end it with a carriage return) and returns the answer")
      .def("SaveSettings", Call<&PelmoraT2::SaveSettings>())
      .def("ResetPrintServer", Call<&PelmoraT2::ResetPrintServer>())
      .def("GetVersion", Call<&PelmoraT2::GetVersion>())
      .def("GetIPInfo", Call<&PelmoraT2::GetIPInfo>())
      .def("GetWirelessInfo", Call<&PelmoraT2::GetWirelessInfo>())
      .def("Login", Call<&PelmoraT2::Login, Text>(), py::arg("password"))
      .def("Logoff", Call<&PelmoraT2::Logoff>())
      .def("IsReadOnlyMode", Call<&PelmoraT2::IsReadOnlyMode>())
      .def("Connect", Call<&PelmoraT2::Connect>())
      .def("Disconnect", Call<&PelmoraT2::Disconnect>())
      .def("AbortCommand", Call<&PelmoraT2::AbortCommand>())
      .def("TrappedMessage", Call<&PelmoraT2::TrappedMessage>())
      .def("FramingDelay", Call<&PelmoraT2::FramingDelay>())
      .def("SetFramingDelay", Call<&PelmoraT2::SetFramingDelay, std::int32_t>(),
           py::arg("milliseconds"))
      .def("TerminalReceived", Call<&PelmoraT2::TerminalReceived>());
}

void BindSettings(py::class_<RawDevice>& raw) {
  using S = PrintServerSettings;
  using N = std::int32_t;
  raw.def("GetActiveKey", Call<&S::GetActiveKey>())
      .def("GetMode", Call<&S::GetMode>())
      .def("SetMode", Call<&S::SetMode, N>(), py::arg("mode"))
      .def("GetAPDensity", Call<&S::GetAPDensity>())
      .def("SetAPDensity", Call<&S::SetAPDensity, N>(), py::arg("density"))
      .def("SetEncryption", Call<&S::SetEncryption, N>(), py::arg("encryption"))
      .def("GetEncryption", Call<&S::GetEncryption>())
      .def("SetBSSID", Call<&S::SetBSSID, Text>(), py::arg("bssid"))
      .def("GetBSSID", Call<&S::GetBSSID>())
      .def("GetAuthProtocol", Call<&S::GetAuthProtocol>())
      .def("SetAuthProtocol", Call<&S::SetAuthProtocol, N>(), py::arg("protocol"))
      .def("GetCommonName", Call<&S::GetCommonName>())
      .def("SetCommonName", Call<&S::SetCommonName, Text>(), py::arg("common_name"))
      .def("GetCommonName2", Call<&S::GetCommonName2>())
      .def("SetCommonName2", Call<&S::SetCommonName2, Text>(), py::arg("common_name"))
      .def("GetExponent", Call<&S::GetExponent>())
      .def("SetExponent", Call<&S::SetExponent, N>(), py::arg("exponent"))
      .def("GetRootKey", Call<&S::GetRootKey>())
      .def("SetRootKey", Call<&S::SetRootKey, Text>(), py::arg("root_key"))
      .def("GetUser", Call<&S::GetUser>())
      .def("SetUser", Call<&S::SetUser, Text>(), py::arg("user"))
      .def("SetPassword", Call<&S::SetPassword, Text>(), py::arg("password"))
      .def("GetRealm", Call<&S::GetRealm>())
      .def("SetRealm", Call<&S::SetRealm, Text>(), py::arg("realm"))
      .def("SetWepKey", Call<&S::SetWepKey, N, Text>(), py::arg("key_number"), py::arg("key_value"))
      .def("SetActiveKey", Call<&S::SetActiveKey, N>(), py::arg("key_number"))
      .def("GetAuthenticationType", Call<&S::GetAuthenticationType>())
      .def("SetAuthenticationType", Call<&S::SetAuthenticationType, N>(), py::arg("auth_type"))
      .def("GetIPAssignmentMethod", Call<&S::GetIPAssignmentMethod>())
      .def("SetIpAssignmentMethod", Call<&S::SetIpAssignmentMethod, N>(), py::arg("method"))
      .def("GetIpAddress", Call<&S::GetIpAddress>())
      .def("SetIpAddress", Call<&S::SetIpAddress, Text>(), py::arg("ip"))
      .def("GetSubnetAddress", Call<&S::GetSubnetAddress>())
      .def("SetSubnetAddress", Call<&S::SetSubnetAddress, Text>(), py::arg("subnet"))
      .def("GetDefaultRouterAddress", Call<&S::GetDefaultRouterAddress>())
      .def("SetDefaultRouterAddress", Call<&S::SetDefaultRouterAddress, Text>(), py::arg("router"))
      .def("GetSSID", Call<&S::GetSSID>())
      .def("SetSSID", Call<&S::SetSSID, Text>(), py::arg("ssid"))
      .def("GetWiFiChannel", Call<&S::GetWiFiChannel>())
      .def("SetWiFiChannel", Call<&S::SetWiFiChannel, N>(), py::arg("channel"))
      .def("GetPSK", Call<&S::GetPSK>())
      .def("SetPSK", Call<&S::SetPSK, Text>(), py::arg("psk"))
      .def("GetDiscardedMessagesCount", Call<&S::GetDiscardedMessagesCount>())
      .def("GetRTSTreshold", Call<&S::GetRTSTreshold>())
      .def("SetRTSTreshold", Call<&S::SetRTSTreshold, N>(), py::arg("threshold"));
}

}  // namespace

void RawDevice::Bind(py::module_& module) {
  BindReports(module);
  py::class_<RawDevice> raw(module, "PelmoraT2",
                            "The library's device object with its own member names; enumerated "
                            "values are plain integers");
  BindDialogues(raw);
  BindSettings(raw);
}

}  // namespace pelmora::python
