#include "ExporterCommand.h"

#include <httplib.h>

#include <cctype>
#include <charconv>
#include <cmath>
#include <condition_variable>
#include <functional>
#include <iostream>
#include <thread>
#include <utility>

#include "ExitCode.h"
#include "HostProbe.h"
#include "OutputWriter.h"
#include "UsageError.h"
#include "pelmora/metrics/DeviceMetrics.h"
#include "pelmora/metrics/TextExposition.h"

namespace pelmora::cli {

namespace {

constexpr int kDefaultPort = 9877;
// Prometheus's own default scrape time-out, for a request that does not say.
constexpr double kDefaultScrapeSeconds = 10;
// A probe ends this much before the scrape's time-out (at most half a second), so that its
// answer still arrives in time.
constexpr double kMarginShare = 0.1;
constexpr double kMaxMarginSeconds = 0.5;
constexpr double kMaxScrapeSeconds = 3600;
// Threads beyond the probe slots: /metrics, / and refusals are answered while probes run.
constexpr std::size_t kSpareThreads = 4;

void Refuse(httplib::Response& response, int status, const std::string& reason) {
  response.status = status;
  response.set_content(reason + "\n", "text/plain; charset=utf-8");
}

std::string ReasonOf(int status) {
  switch (status) {
    case 400:
      return "bad request";
    case 404:
      return "not found: the exporter serves /, /metrics and /probe?target=NAME";
    case 405:
      return "method not allowed: use GET";
    case 413:
      return "request too large";
    case 414:
      return "request line too long";
    default:
      return status >= 500 ? "internal error" : "request refused";
  }
}

std::string HtmlEscape(const std::string& text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '&':
        out += "&amp;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string UrlEncode(const std::string& text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const unsigned char c : text) {
    if (std::isalnum(c) != 0 || c == '-' || c == '_' || c == '.' || c == '~') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

}  // namespace

ExporterCommand::ExporterCommand(Invocation invocation) : invocation_(std::move(invocation)) {}

ExporterCommand::~ExporterCommand() = default;

int ExporterCommand::Run(SignalWatcher& watcher) {
  const bool prepared = PreparedOrExplained([this] {
    Prepare();
    return true;
  });
  return prepared ? Serve(watcher) : ExitCode::kUsageError;
}

void ExporterCommand::Prepare() {
  const Target listen = Target::Host(invocation_.exporterListen, kDefaultPort, true);
  listenHost_ = listen.host;
  listenPort_ = listen.port;
  inventory_ = Inventory::Load(*invocation_.inventory, Target::AddressProblem);
  for (std::size_t i = 0; i < inventory_->Hosts().size(); ++i) {
    const auto& host = inventory_->Hosts()[i];
    hostIndex_.emplace(host.name, i);
    serialLines_.push_back(host.serial ? std::make_unique<std::timed_mutex>() : nullptr);
  }
  if (invocation_.profile) {
    profile_ = Profile::Load(*invocation_.profile);
    if (!profile_->IsValid()) {
      OutputWriter(false, std::cout, std::cerr).Problems(profile_->Problems());
      throw UsageError(profile_->Name() + ": " + std::to_string(profile_->Problems().size()) +
                       " problem(s); nothing was probed");
    }
  }
  slots_ =
      std::make_unique<std::counting_semaphore<>>(static_cast<std::ptrdiff_t>(invocation_.workers));
}

int ExporterCommand::Serve(SignalWatcher& watcher) {
  httplib::Server server;
  Route(server);
  const std::size_t threads = invocation_.workers + kSpareThreads;
  server.new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
  // One request per connection: an idle scraper connection never holds a thread.
  server.set_keep_alive_max_count(1);
  server.set_payload_max_length(4096);
  const bool bound = listenPort_ == 0 ? (listenPort_ = server.bind_to_any_port(listenHost_)) > 0
                                      : server.bind_to_port(listenHost_, listenPort_);
  if (!bound) {
    std::cerr << "pelmora: cannot listen on " << invocation_.exporterListen << '\n';
    return ExitCode::kFailed;
  }
  Target shown;
  shown.kind = Target::Kind::Host;
  shown.host = listenHost_;
  shown.port = listenPort_;
  return ListenUntilStopped(server, watcher,
                            "pelmora exporter listening on http://" + shown.Describe() + "/ for " +
                                std::to_string(inventory_->Hosts().size()) +
                                " hosts; Ctrl-C stops");
}

int ExporterCommand::ListenUntilStopped(httplib::Server& server, SignalWatcher& watcher,
                                        const std::string& banner) {
  std::mutex mutex;
  std::condition_variable changed;
  bool listening = true;
  bool stopped = false;
  // The signal only records the stop, so that the watcher never waits on the server. This
  // thread stops the server, again and again until it has stopped listening: a stop that comes
  // before the server has begun to listen goes unnoticed by it.
  std::thread stopper([&] {
    std::unique_lock lock(mutex);
    changed.wait(lock, [&] { return stopped || !listening; });
    while (listening) {
      server.stop();
      changed.wait_for(lock, std::chrono::milliseconds(50), [&] { return !listening; });
    }
  });
  watcher.OnSignal([&] {
    cancels_.CancelAll();
    {
      const std::lock_guard lock(mutex);
      stopped = true;
    }
    changed.notify_all();
  });
  // Announced once a signal can stop it cleanly.
  std::cout << banner << std::endl;
  server.listen_after_bind();
  {
    const std::lock_guard lock(mutex);
    listening = false;
  }
  changed.notify_all();
  stopper.join();
  watcher.OnSignal(nullptr);
  if (stopped) return ExitCode::kSuccess;
  std::cerr << "pelmora: the exporter stopped serving on its own\n";
  return ExitCode::kFailed;
}

void ExporterCommand::Route(httplib::Server& server) {
  server.Get("/probe", [this](const httplib::Request& request, httplib::Response& response) {
    Probe(request, response);
  });
  server.Get("/metrics",
             [this](const httplib::Request&, httplib::Response& response) { Metrics(response); });
  server.Get("/",
             [this](const httplib::Request&, httplib::Response& response) { Index(response); });
  server.set_error_handler([](const httplib::Request&, httplib::Response& response) {
    if (response.body.empty()) Refuse(response, response.status, ReasonOf(response.status));
  });
  server.set_exception_handler([](const httplib::Request&, httplib::Response& response,
                                  std::exception_ptr) { Refuse(response, 500, "internal error"); });
}

void ExporterCommand::Probe(const httplib::Request& request, httplib::Response& response) {
  const std::size_t targets = request.get_param_value_count("target");
  if (targets != 1) {
    return Refuse(response, 400,
                  targets == 0 ? "missing target: ask /probe?target=NAME with a host of the "
                                 "inventory"
                               : "more than one target: ask for one host per probe");
  }
  const auto found = hostIndex_.find(request.get_param_value("target"));
  if (found == hostIndex_.end()) {
    return Refuse(response, 400, "unknown target: it names no host of the inventory");
  }
  const auto deadline = Deadline(request);
  if (!deadline) {
    return Refuse(response, 400, "bad X-Prometheus-Scrape-Timeout-Seconds: want seconds above 0");
  }
  if (!slots_->try_acquire_until(*deadline)) {
    return Refuse(response, 503, "every probe slot stayed busy until the scrape's time-out");
  }
  struct Slot {
    std::counting_semaphore<>& slots;
    ~Slot() { slots.release(); }
  } slot{*slots_};
  std::unique_lock<std::timed_mutex> line;
  if (auto& serial = serialLines_[found->second]) {
    line = std::unique_lock(*serial, std::defer_lock);
    if (!line.try_lock_until(*deadline)) {
      return Refuse(response, 503,
                    "the host's serial line stayed busy until the scrape's time-out");
    }
  }
  const auto& host = inventory_->Hosts()[found->second];
  const DeviceState state =
      HostProbe(figures_, cancels_).Run(host, profile_ ? &*profile_ : nullptr, *deadline);
  response.set_content(TextExposition::Write(DeviceMetrics::Families(state)),
                       std::string(TextExposition::kContentType));
}

void ExporterCommand::Metrics(httplib::Response& response) const {
  response.set_content(TextExposition::Write(figures_.Families()),
                       std::string(TextExposition::kContentType));
}

void ExporterCommand::Index(httplib::Response& response) const {
  std::string page =
      "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>pelmora exporter</title>"
      "</head><body>\n<h1>pelmora exporter</h1>\n<p><a href=\"/metrics\">The exporter's own "
      "metrics</a></p>\n<ul>\n";
  for (const auto& host : inventory_->Hosts()) {
    page += "<li><a href=\"/probe?target=" + UrlEncode(host.name) + "\">" + HtmlEscape(host.name) +
            "</a></li>\n";
  }
  page += "</ul>\n</body></html>\n";
  response.set_content(page, "text/html; charset=utf-8");
}

std::optional<ExporterCommand::Clock::time_point> ExporterCommand::Deadline(
    const httplib::Request& request) {
  const auto now = Clock::now();
  double seconds = kDefaultScrapeSeconds;
  if (request.has_header("X-Prometheus-Scrape-Timeout-Seconds")) {
    const std::string text = request.get_header_value("X-Prometheus-Scrape-Timeout-Seconds");
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(seconds) ||
        seconds <= 0) {
      return std::nullopt;
    }
    seconds = std::min(seconds, kMaxScrapeSeconds);
  }
  seconds -= std::min(seconds * kMarginShare, kMaxMarginSeconds);
  return now + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

}  // namespace pelmora::cli
