#include "pelmora/reports/IPInfo.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "ReportText.h"
#include "pelmora/platform/ErrorMessages.h"
#include "pelmora/platform/ErrorNumbers.h"

namespace pelmora {

namespace {

struct MethodText {
  std::string_view text;
  std::int32_t code;
};

// Exact method words, compared in this order.
constexpr std::array<MethodText, 5> kBootMethodWords{{
    {"rarp", Rarp},
    {"dhcp", Dhcp},
    {"auto", Auto},
    {"static", Static},
    {"bootp", Bootp},
}};

// Annotations searched anywhere in the screen. The first entry of this list that occurs wins,
// not the one that comes first in the text.
constexpr std::array<MethodText, 5> kAnnotations{{
    {"(via dhcp", Dhcp},
    {"(via bootp", Bootp},
    {"(via rarp", Rarp},
    {"set manually", Static},
    {"(searching...)", 0},
}};

}  // namespace

std::string IPInfo::TailFromKey(const std::string& text, const std::string& key) {
  const std::size_t at = text.find(key);
  if (at == std::string::npos) {
    ErrorMessages::Current().RaiseNumberedError(errors::kInvalidArgument, "IPInfo.Parse");
  }
  return text.substr(at);
}

// A value ends at the first blank or CR, whichever comes first, and is found only when the rest
// of the text holds both: a value with nothing behind it gives an empty result.
std::string IPInfo::ExtractValue(const std::string& text, const std::string& key) {
  if (text.find(key) == std::string::npos) return {};
  const std::string t = ReportText::TrimSpaces(ReportText::RemoveAll(text, key));
  const std::size_t space = t.find(' ');
  const std::size_t cr = t.find(ReportText::kCR);
  if (space == std::string::npos || cr == std::string::npos) return {};
  return t.substr(0, std::min(space, cr));
}

void IPInfo::Parse(const std::string& data) {
  const std::string lower = ReportText::ToLowerAscii(data);
  ParseAddress(lower);
  subnetMask_ = ExtractValue(TailFromKey(lower, "subnet mask"), "subnet mask");
  defaultRouter_ = ExtractValue(TailFromKey(lower, "ip gateway"), "ip gateway");
  ParseBootMethod(lower);
  ParseActualAssignment(lower);
}

void IPInfo::ParseAddress(const std::string& lowerScreen) {
  const std::string tail = TailFromKey(lowerScreen, "ip address");
  ipAddress_ = ExtractValue(tail, "ip address");
  // The device marks a duplicate address with "#" after exactly two blanks; with any other
  // spacing the address itself is lost and only the remark is left.
  if (ipAddress_ == "#") {
    ipAddress_ = ExtractValue(tail, "ip address  #") + " (duplicate address!)";
  }
}

void IPInfo::ParseBootMethod(const std::string& lowerScreen) {
  const std::string word = ExtractValue(TailFromKey(lowerScreen, "boot method"), "boot method");
  for (const MethodText& method : kBootMethodWords) {
    if (word == method.text) {
      bootMethod_ = static_cast<IPAssignmentMethod>(method.code);
      return;
    }
  }
}

void IPInfo::ParseActualAssignment(const std::string& lowerScreen) {
  for (const MethodText& annotation : kAnnotations) {
    if (lowerScreen.find(annotation.text) != std::string::npos) {
      actualIPAssignment_ = static_cast<IPAssignmentMethod>(annotation.code);
      return;
    }
  }
}

std::string IPInfo::ToString() const {
  const std::string crlf = ReportText::kCRLF;
  return "IPAddress: " + ipAddress_ + crlf + "DefaultRouter: " + defaultRouter_ + crlf +
         "SubnetMask: " + subnetMask_ + crlf +
         "BootMethod: " + std::to_string(static_cast<std::int32_t>(bootMethod_)) + crlf;
}

}  // namespace pelmora
