// `pelmora exporter` as Prometheus meets it: HTTP requests against the tool in a child process.
#include "ExporterProcess.h"

namespace pelmora::testing {
namespace {

// Connections that reached the listener and waited to be accepted; they stay open (and silent)
// until the test ends.
struct Accepted {
  explicit Accepted(const Listener& listener) {
    for (pollfd ready{listener.fd, POLLIN, 0}; poll(&ready, 1, 0) == 1;)
      fds.push_back(accept(listener.fd, nullptr, nullptr));
  }
  ~Accepted() { std::ranges::for_each(fds, close); }
  std::vector<int> fds;
};

std::string RawRequest(int port, const std::string& request) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  const sockaddr_in address = Listener::Loopback(port);
  std::string reply;
  if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
      write(fd, request.data(), request.size()) == static_cast<ssize_t>(request.size())) {
    char buffer[4096];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) reply.append(buffer, n);
  }
  close(fd);
  return reply;
}

TEST(Exporter, BadRequestsGetAOneLineReasonContactNothingAndTheServerKeepsServing) {
  const Listener watched;
  const Inventory inventory(Host("watched", watched.Address()));
  ExporterProcess exporter(inventory.Args({}));
  struct Case {
    std::string path;
    httplib::Headers headers;
    int status;
    const char* reason;
  };
  const std::vector<Case> cases = {
      {"/probe", {}, 400, "missing target"},
      {"/probe?target=nope", {}, 400, "unknown target"},
      {"/probe?target=" + watched.Address(), {}, 400, "unknown target"},
      {"/probe?target=%0A%22%3Cwatched", {}, 400, "unknown target"},
      {"/probe?target=watched&target=nope", {}, 400, "more than one target"},
      {"/probe?target=" + std::string(20000, 'w'), {}, 414, "too long"},
      {"/probe?target=watched", {{"X-Prometheus-Scrape-Timeout-Seconds", "0"}}, 400, "bad X-"},
      {"/probe?target=watched", {{"X-Prometheus-Scrape-Timeout-Seconds", "1s"}}, 400, "bad X-"},
      {"/elsewhere", {}, 404, "not found"},
  };
  for (const auto& c : cases) {
    const auto result = exporter.Get(c.path, c.headers);
    ASSERT_TRUE(result) << c.path;
    EXPECT_EQ(result->status, c.status) << c.path;
    EXPECT_TRUE(Has(result->body, c.reason)) << c.path;
    EXPECT_EQ(result->body.find('\n'), result->body.size() - 1) << c.path;
  }
  EXPECT_TRUE(Has(RawRequest(exporter.Port(), "GARBAGE\r\n\r\n"), "HTTP/1.1 400"));
  EXPECT_EQ(Accepted(watched).fds.size(), 0U);
  const auto index = exporter.Get("/");
  ASSERT_TRUE(index);
  EXPECT_TRUE(Has(index->body, "<a href=\"/probe?target=watched\">watched</a>"));
}

TEST(Exporter, ProbesEndBeforeTheScrapesTimeOutAndWaitForAFreeWorker) {
  const Listener silent;
  // Nothing listens on port 1: a port freed by the test could be taken by a concurrent one.
  const Inventory inventory(Host("silent", silent.Address()) + Host("refused", "127.0.0.1:1"));
  ExporterProcess exporter(inventory.Args({"--workers", "1"}));
  const auto refused = exporter.Get("/probe?target=refused");
  ASSERT_TRUE(refused);
  EXPECT_EQ(refused->status, 200);
  EXPECT_TRUE(Has(refused->body, "pelmora_up 0\n"));
  EXPECT_TRUE(Has(refused->body, "pelmora_probe_error_info{number=\"3001\",source="));

  const httplib::Headers scrape = {{"X-Prometheus-Scrape-Timeout-Seconds", "2"}};
  std::vector<std::thread> probes;
  std::vector<std::string> bodies(3);
  const auto start = std::chrono::steady_clock::now();
  for (auto& body : bodies)
    probes.emplace_back([&] { body = exporter.Get("/probe?target=silent", scrape)->body; });
  std::this_thread::sleep_for(700ms);
  const Accepted sessions(silent);
  EXPECT_EQ(sessions.fds.size(), 1U) << "one worker: one session at a time";
  for (auto& probe : probes) probe.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
  // A waiting probe either gets the slot as the first gives it up, with no time left, or still
  // waits at its deadline.
  int timedOut = 0;
  for (const auto& body : bodies) {
    const bool late = body.find("number=\"120\",source=\"pelmora exporter\"") != std::string::npos;
    timedOut += late ? 1 : 0;
    EXPECT_TRUE(late || Has(body, "every probe slot stayed busy")) << body;
  }
  const auto figures = exporter.Get("/metrics");
  ASSERT_TRUE(figures);
  EXPECT_TRUE(Has(figures->body, "probes_total " + std::to_string(1 + timedOut) + "\n"));
  EXPECT_TRUE(Has(figures->body, "failures_total{number=\"120\"} " + std::to_string(timedOut)));
  EXPECT_TRUE(Has(figures->body, "pelmora_exporter_sessions_open 0\n"));
}

}  // namespace
}  // namespace pelmora::testing
