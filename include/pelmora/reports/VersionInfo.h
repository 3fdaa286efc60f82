#pragma once

#include <string>
#include <utility>

namespace pelmora {

class ReportRetrieval;

// The print server's version screen: product name, firmware version and boot version, one per
// line. A new object holds three empty texts; clients may create one and set the values.
class VersionInfo {
 public:
  const std::string& ProductName() const noexcept { return productName_; }
  void SetProductName(std::string value) { productName_ = std::move(value); }

  const std::string& FirmwareVersion() const noexcept { return firmwareVersion_; }
  void SetFirmwareVersion(std::string value) { firmwareVersion_ = std::move(value); }

  const std::string& BootVersion() const noexcept { return bootVersion_; }
  void SetBootVersion(std::string value) { bootVersion_ = std::move(value); }

  // The three values, each on a line of its own that ends in CR LF.
  std::string ToString() const;

 private:
  friend class ReportRetrieval;

  // Takes lines 1 to 3 of the normalised screen unchanged; a missing line fails with error 9
  // and leaves the values assigned before it in place.
  void Parse(const std::string& data);

  std::string productName_;
  std::string firmwareVersion_;
  std::string bootVersion_;
};

}  // namespace pelmora
