#pragma once

#include <httplib.h>

#include <string>
#include <vector>

#include "ToolProcess.h"

namespace pelmora::testing {

// `pelmora exporter` on a free loopback port; at the end of the test SIGTERM must stop it
// cleanly.
class ExporterProcess {
 public:
  explicit ExporterProcess(std::vector<std::string> arguments)
      : process_([&] {
          arguments.insert(arguments.begin(), {"exporter", "--listen", "127.0.0.1:0"});
          return arguments;
        }()) {
    const std::string line = process_.ReadLine(10s).value_or("");
    const auto at = line.find("http://127.0.0.1:");
    EXPECT_NE(at, std::string::npos) << line;
    if (at != std::string::npos) port_ = std::stoi(line.substr(at + 17));
  }
  ~ExporterProcess() {
    process_.Signal(SIGTERM);
    const ToolResult result = process_.Wait(5s);
    EXPECT_EQ(result.status, 0) << result.err;
  }
  ExporterProcess(const ExporterProcess&) = delete;
  ExporterProcess& operator=(const ExporterProcess&) = delete;

  int Port() const { return port_; }
  std::string Address() const { return "127.0.0.1:" + std::to_string(port_); }
  httplib::Result Get(const std::string& path, const httplib::Headers& headers = {}) const {
    httplib::Client client("127.0.0.1", port_);
    client.set_read_timeout(20s);
    return client.Get(path.c_str(), headers);
  }

 private:
  ToolProcess process_;
  int port_ = 0;
};

}  // namespace pelmora::testing
