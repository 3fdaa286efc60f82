#include "FleetOutput.h"

#include <cstdio>
#include <nlohmann/json.hpp>
#include <sstream>
#include <utility>

#include "ExitCode.h"
#include "pelmora/platform/ErrorNumbers.h"

namespace pelmora::cli {

namespace {

using Json = nlohmann::ordered_json;

Json ToolError(std::int32_t number, const std::string& description) {
  return Json{{"number", number}, {"source", "pelmora"}, {"description", description}};
}

// The host's entry: its command's own document as "result", or the error alone as "error".
Json HostJson(const FleetOutput::HostResult& host) {
  Json entry{{"name", host.name}, {"target", host.target}, {"ok", FleetOutput::Succeeded(host)}};
  if (!host.started) {
    entry["error"] = ToolError(errors::kCommandCancelled, "Command cancelled");
  } else if (host.out.empty() && FleetOutput::Succeeded(host)) {
    entry["result"] = nullptr;  // a command that prints nothing, such as backup to a file
  } else if (Json document = Json::parse(host.out, nullptr, false); !document.is_discarded()) {
    if (document.is_object() && document.size() == 1 && document.contains("error")) {
      entry["error"] = std::move(document["error"]);
    } else {
      entry["result"] = std::move(document);
    }
  } else {
    // Refused before the command ran (a transcript that cannot be written): the tool's words.
    std::string why = host.err;
    while (!why.empty() && why.back() == '\n') why.pop_back();
    entry["error"] = ToolError(errors::kInternalError, why);
  }
  return entry;
}

// Text of a value printed with an indent of 2, moved `spaces` further in: where it stands in the
// document. Printed text holds no line break but the printer's own.
std::string Indented(const std::string& text, std::size_t spaces) {
  std::string moved;
  moved.reserve(text.size() + text.size() / 8);
  for (const char c : text) {
    moved += c;
    if (c == '\n') moved.append(spaces, ' ');
  }
  return moved;
}

std::string Clock(std::chrono::seconds left) {
  char text[32];
  std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(left.count() / 60),
                static_cast<long long>(left.count() % 60));
  return text;
}

}  // namespace

std::string FleetOutput::RenderEntry(const HostResult& host) {
  return HostJson(host).dump(2);
}

bool FleetOutput::Succeeded(const HostResult& host) {
  return host.started &&
         (host.status == ExitCode::kSuccess || host.status == ExitCode::kWouldChange);
}

FleetOutput::FleetOutput(bool json, bool drawProgress, std::ostream& out, std::ostream& err)
    : json_(json), drawProgress_(drawProgress), out_(out), err_(err) {}

void FleetOutput::Finished(const HostResult& host) {
  if (json_) return;
  std::lock_guard lock(mutex_);
  ClearProgress();
  Prefixed(out_, host.name, host.out.empty() && Succeeded(host) ? "ok\n" : host.out);
  Prefixed(err_, host.name, host.err);
  out_.flush();
  err_.flush();
}

void FleetOutput::Progress(const FleetRunner::Counts& counts) {
  if (!drawProgress_) return;
  std::lock_guard lock(mutex_);
  std::string line = std::to_string(counts.done) + "/" + std::to_string(counts.total) +
                     " hosts done, " + std::to_string(counts.failed) + " failed, " +
                     std::to_string(counts.running) + " running";
  if (counts.done > 0 && counts.done < counts.total) {
    const auto elapsed = std::chrono::steady_clock::now() - start_;
    const auto left = elapsed * static_cast<double>(counts.total - counts.done) /
                      static_cast<double>(counts.done);
    line += ", " + Clock(std::chrono::duration_cast<std::chrono::seconds>(left)) + " left";
  }
  err_ << "\r\x1b[K" << line << std::flush;
  progressShown_ = true;
}

void FleetOutput::Summary(const std::vector<HostResult>& hosts) {
  std::size_t ok = 0;
  std::size_t notStarted = 0;
  for (const auto& host : hosts) {
    ok += Succeeded(host) ? 1 : 0;
    notStarted += host.started ? 0 : 1;
  }
  std::lock_guard lock(mutex_);
  ClearProgress();
  if (json_) {
    // The text that printing the whole document with an indent of 2 gives, put together from
    // the hosts' entries; each gets its time as its last member.
    std::string text = "{\n  \"hosts\": [";
    for (std::size_t i = 0; i < hosts.size(); ++i) {
      std::string entry = hosts[i].entry.empty() ? RenderEntry(hosts[i]) : hosts[i].entry;
      entry.insert(entry.size() - 2,
                   ",\n  \"elapsed_ms\": " + std::to_string(hosts[i].elapsed.count()));
      text += i == 0 ? "\n    " : ",\n    ";
      text += Indented(entry, 4);
    }
    text += hosts.empty() ? "]" : "\n  ]";
    const Json summary{{"total", hosts.size()}, {"ok", ok}, {"failed", hosts.size() - ok}};
    out_ << text << ",\n  \"summary\": " << Indented(summary.dump(2), 2) << "\n}\n";
    return;
  }
  out_ << hosts.size() << " hosts: " << ok << " ok, " << hosts.size() - ok << " failed";
  if (notStarted > 0) out_ << " (" << notStarted << " not started: cancelled)";
  out_ << '\n' << std::flush;
}

void FleetOutput::ClearProgress() {
  if (!progressShown_) return;
  err_ << "\r\x1b[K" << std::flush;
  progressShown_ = false;
}

void FleetOutput::Prefixed(std::ostream& stream, const std::string& name, const std::string& text) {
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) stream << name << ": " << line << '\n';
}

}  // namespace pelmora::cli
