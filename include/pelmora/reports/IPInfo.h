#pragma once

#include <string>
#include <utility>

#include "pelmora/device/Enumerations.h"

namespace pelmora {

// The print server's IP status screen. Keys are matched without regard to case and every value
// comes out in lower case. Besides the configured boot method it records how the present
// address was actually obtained, read from the screen's annotations.
//
// The codes are plain 32-bit values: 0 is no member of IPAssignmentMethod and stands for the
// default and for the device's "(searching...)" annotation.
class IPInfo {
 public:
  const std::string& IPAddress() const noexcept { return ipAddress_; }
  void SetIPAddress(std::string value) { ipAddress_ = std::move(value); }

  const std::string& SubnetMask() const noexcept { return subnetMask_; }
  void SetSubnetMask(std::string value) { subnetMask_ = std::move(value); }

  const std::string& DefaultRouter() const noexcept { return defaultRouter_; }
  void SetDefaultRouter(std::string value) { defaultRouter_ = std::move(value); }

  IPAssignmentMethod BootMethod() const noexcept { return bootMethod_; }
  void SetBootMethod(IPAssignmentMethod value) noexcept { bootMethod_ = value; }

  // Fills the fields from screen text whose lines are separated by CR. The texts are always
  // overwritten; the two codes keep their values when the screen names nothing recognised.
  // A missing key fails with error 5, leaving the fields set before it with their new values.
  void Parse(const std::string& data);

  // Address, router, mask and method (in that order), each line ending in CR LF.
  std::string ToString() const;

  IPAssignmentMethod ActualIPAssignment() const noexcept { return actualIPAssignment_; }

 private:
  static std::string ExtractValue(const std::string& text, const std::string& key);
  static std::string TailFromKey(const std::string& text, const std::string& key);
  void ParseAddress(const std::string& lowerScreen);
  void ParseBootMethod(const std::string& lowerScreen);
  void ParseActualAssignment(const std::string& lowerScreen);

  std::string ipAddress_;
  std::string subnetMask_;
  std::string defaultRouter_;
  IPAssignmentMethod bootMethod_ = static_cast<IPAssignmentMethod>(0);
  IPAssignmentMethod actualIPAssignment_ = static_cast<IPAssignmentMethod>(0);
};

}  // namespace pelmora
