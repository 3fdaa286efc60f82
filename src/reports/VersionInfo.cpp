#include "pelmora/reports/VersionInfo.h"

#include <vector>

#include "ReportText.h"
#include "pelmora/platform/ErrorMessages.h"
#include "pelmora/platform/ErrorNumbers.h"

namespace pelmora {

namespace {

const std::string& LineAt(const std::vector<std::string>& lines, std::size_t index) {
  if (index >= lines.size()) {
    ErrorMessages::Current().RaiseNumberedError(errors::kSubscriptOutOfRange, "VersionInfo.Parse");
  }
  return lines[index];
}

}  // namespace

void VersionInfo::Parse(const std::string& data) {
  const std::vector<std::string> lines = ReportText::SplitLines(data);
  productName_ = LineAt(lines, 0);
  firmwareVersion_ = LineAt(lines, 1);
  bootVersion_ = LineAt(lines, 2);
}

std::string VersionInfo::ToString() const {
  const std::string crlf = ReportText::kCRLF;
  return "ProductName: " + productName_ + crlf + "FirmwareVersion: " + firmwareVersion_ + crlf +
         "BootVersion: " + bootVersion_ + crlf;
}

}  // namespace pelmora
