#include "pelmora/reports/ReportRetrieval.h"

#include <algorithm>
#include <vector>

#include "ReportText.h"
#include "pelmora/platform/AutomationError.h"

namespace pelmora {

namespace {

// The version and wireless reports pass on number, source and description only; the help
// file and context of the original error are not carried over.
template <typename Action>
auto WithoutHelp(Action action) {
  try {
    return action();
  } catch (const AutomationError& error) {
    throw AutomationError(error.Number(), error.Source(), error.Description());
  }
}

}  // namespace

std::string ReportRetrieval::NormalizeScreen(const std::string& answer) {
  std::string text = answer;
  std::replace(text.begin(), text.end(), ReportText::kLF, ReportText::kCR);
  // Replacing CR CR by CR until no pair is left leaves one CR of every run.
  const auto bothCR = [](char a, char b) { return a == ReportText::kCR && b == ReportText::kCR; };
  text.erase(std::unique(text.begin(), text.end(), bothCR), text.end());
  std::vector<std::string> lines = ReportText::SplitLines(text);
  for (std::size_t i = 0; i + 1 < lines.size(); ++i) lines[i] = ReportText::TrimSpaces(lines[i]);
  return ReportText::JoinLines(lines);
}

std::string ReportRetrieval::ReadScreen(CommandRoad& road, const std::string& command) {
  road.RunCommand(std::string(1, ReportText::kCR));
  return NormalizeScreen(road.RunCommand(command + ReportText::kCR));
}

std::shared_ptr<VersionInfo> ReportRetrieval::GetVersion(CommandRoad& road) {
  return WithoutHelp([&road] {
    auto report = std::make_shared<VersionInfo>();
    report->Parse(ReadScreen(road, "SH VERSION"));
    return report;
  });
}

std::shared_ptr<IPInfo> ReportRetrieval::GetIPInfo(CommandRoad& road) {
  // Errors reach the caller whole, help file and context included.
  auto report = std::make_shared<IPInfo>();
  report->Parse(ReadScreen(road, "SH IP"));
  return report;
}

std::shared_ptr<WirelessInfo> ReportRetrieval::GetWirelessInfo(CommandRoad& road) {
  return WithoutHelp([&road] {
    auto report = std::make_shared<WirelessInfo>();
    report->Parse(ReadScreen(road, "SH NW"));
    return report;
  });
}

}  // namespace pelmora
