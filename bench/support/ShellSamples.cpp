#include "ShellSamples.h"

#include <memory>

#include "pelmora/protocol/LineBreaks.h"
#include "pelmora/simulator/ShellEngine.h"

namespace pelmora::bench {

namespace {

constexpr std::string_view kPrompt = "Local> ";

std::string ScreenLines() {
  std::string lines;
  for (const char* line : {"SH NW\r", "SH IP\r", "SH NW STATS\r"}) {
    lines += ShellSamples::RoadReply(line) + "\r\n";
  }
  return lines;
}

}  // namespace

std::string ShellSamples::Answer(const std::string& line) {
  std::string out;
  ShellEngine engine(std::make_shared<PrintServerState>(),
                     [&out](std::string_view bytes) { out.append(bytes); });
  engine.Feed(line);
  return out;
}

std::string ShellSamples::RoadReply(const std::string& line) {
  std::string answer = Answer(line);
  const auto echoEnd = answer.find("\r\n");
  const auto promptAt = answer.rfind(kPrompt);
  return LineBreaks::Trim(answer.substr(echoEnd, promptAt - echoEnd));
}

std::string ShellSamples::ScreenText(std::size_t size) {
  const std::string lines = ScreenLines();
  std::string text;
  text.reserve(size + lines.size());
  while (text.size() < size) text += lines;
  text.resize(size);
  return text;
}

std::string ShellSamples::ScreenAnswer(std::size_t size) {
  const std::string echo = "SH NW\r\n";
  const std::size_t body =
      size > echo.size() + kPrompt.size() + 2 ? size - echo.size() - kPrompt.size() - 2 : 0;
  return echo + ScreenText(body) + "\r\n" + std::string(kPrompt);
}

}  // namespace pelmora::bench
