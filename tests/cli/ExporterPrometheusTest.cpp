// The exporter scraped by a real Prometheus server on loopback, with the shipped scrape
// configuration: print servers come up, one goes down, one drifts from the profile.
#include <filesystem>

#include "ExporterProcess.h"

namespace pelmora::testing {
namespace {

void Replace(std::string& text, const std::string& from, const std::string& to) {
  const auto at = text.find(from);
  ASSERT_NE(at, std::string::npos) << from;
  text.replace(at, from.size(), to);
}

// contrib/prometheus/prometheus.yml, made to scrape these hosts through this exporter each second.
std::string ScrapeConfig(const std::string& exporter) {
  std::string config = ReadFile(PELMORA_SOURCE_DIR "/contrib/prometheus/prometheus.yml");
  Replace(config, "[lobby, floor1-east, floor2-west]", "[p1, p2, p3]");
  Replace(config, "scrape_interval: 60s", "scrape_interval: 1s");
  Replace(config, "scrape_timeout: 30s", "scrape_timeout: 1s");
  Replace(config, "evaluation_interval: 60s", "evaluation_interval: 1s");
  Replace(config, "- pelmora-rules.yml",
          "- " PELMORA_SOURCE_DIR "/contrib/prometheus/pelmora-rules.yml");
  Replace(config, "replacement: 127.0.0.1:9877", "replacement: " + exporter);
  Replace(config, "\"127.0.0.1:9877\"", "\"" + exporter + "\"");
  return config;
}

// The value of `query` per instance, as Prometheus's HTTP API answers it.
std::map<std::string, std::string> Query(int port, const std::string& query) {
  httplib::Client client("127.0.0.1", port);
  const auto result = client.Post("/api/v1/query", httplib::Params{{"query", query}});
  std::map<std::string, std::string> values;
  if (!result || result->status != 200) return values;
  const Json answer = Json::parse(result->body, nullptr, false);
  if (answer.is_discarded()) return values;
  for (const auto& series : answer["data"]["result"])
    values[series["metric"]["instance"].get<std::string>()] = series["value"][1].get<std::string>();
  return values;
}

// Asks again every quarter second until the answer is the one wanted, for 15 s at most.
::testing::AssertionResult Eventually(int port, const std::string& query,
                                      const std::map<std::string, std::string>& wanted) {
  std::map<std::string, std::string> seen;
  for (const auto deadline = std::chrono::steady_clock::now() + 15s;
       std::chrono::steady_clock::now() < deadline; std::this_thread::sleep_for(250ms)) {
    if ((seen = Query(port, query)) == wanted) return ::testing::AssertionSuccess();
  }
  auto failure = ::testing::AssertionFailure() << query << " stayed at";
  for (const auto& [instance, value] : seen) failure << " " << instance << "=" << value;
  return failure;
}

TEST(ExporterPrometheus, SeesPrintServersUpThenOneDownAndAnotherDrifting) {
  ASSERT_TRUE(std::string(PROMETHEUS_BIN).starts_with("/"))
      << "prometheus and promtool are missing: run scripts/install-deps.sh";
  auto p1 = std::make_unique<SimProcess>(std::vector<std::string>{"--password", "pw"});
  auto p2 = std::make_unique<SimProcess>(std::vector<std::string>{"--password", "pw"});
  auto p3 = std::make_unique<SimProcess>(std::vector<std::string>{"--password", "pw"});
  const Inventory inventory("[defaults]\npassword = \"pw\"\nframing-delay = 0\n" +
                            Host("p1", p1->Endpoint()) + Host("p2", p2->Endpoint()) +
                            Host("p3", p3->Endpoint()));
  const TempFile profile("channel = 6\nssid = \"PrintNet\"\n");
  ExporterProcess exporter(inventory.Args({"--profile", profile.path}));

  const auto probe = exporter.Get("/probe?target=p1");
  ASSERT_TRUE(probe);
  const TempFile probeFile(probe->body);
  EXPECT_EQ(std::system((PROMTOOL_BIN " check metrics < " + probeFile.path).c_str()), 0)
      << probe->body;

  const std::string data = TempPath("prometheus-data");
  const std::string config = data + ".yml";
  std::ofstream(config) << ScrapeConfig(exporter.Endpoint());
  const int port = Listener().port;  // Prometheus takes the port the system has just given out
  struct RemovedLast {
    std::string data;
    ~RemovedLast() {
      std::filesystem::remove_all(data);
      std::filesystem::remove(data + ".yml");
    }
  } removedAfterPrometheusEnds{data};
  ToolProcess prometheus({"--config.file=" + config, "--storage.tsdb.path=" + data,
                          "--web.listen-address=127.0.0.1:" + std::to_string(port)},
                         "", PROMETHEUS_BIN);

  EXPECT_TRUE(Eventually(port, "pelmora_up", {{"p1", "1"}, {"p2", "1"}, {"p3", "1"}}))
      << "see Prometheus's log below";
  EXPECT_TRUE(Eventually(port, "pelmora_profile_drift", {{"p1", "0"}, {"p2", "0"}, {"p3", "0"}}));
  p3.reset();
  EXPECT_TRUE(Eventually(port, "pelmora_up", {{"p1", "1"}, {"p2", "1"}, {"p3", "0"}}));
  const TempFile channel11("channel = 11\n");
  EXPECT_EQ(p2->Run({"--password", "pw", "apply", "--save", channel11.path}).status, 0);
  EXPECT_TRUE(Eventually(port, "pelmora_profile_drift", {{"p1", "0"}, {"p2", "1"}}));
  EXPECT_TRUE(
      Eventually(port, "pelmora_profile_setting_drift{setting=\"channel\"} == 1", {{"p2", "1"}}));
  prometheus.Signal(SIGTERM);
  const ToolResult ended = prometheus.Wait(10s);
  EXPECT_EQ(ended.status, 0) << ended.err;
  if (HasFailure()) std::cerr << ended.err;
}

}  // namespace
}  // namespace pelmora::testing
