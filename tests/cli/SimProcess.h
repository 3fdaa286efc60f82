#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "ToolProcess.h"

namespace pelmora::testing {

// A `pelmora sim` on a free loopback port, stopped at the end of the test.
class SimProcess {
 public:
  explicit SimProcess(std::vector<std::string> extra = {})
      : process_([&] {
          extra.insert(extra.begin(), {"sim", "--listen", "127.0.0.1:0"});
          return extra;
        }()) {
    line_ = process_.ReadLine(std::chrono::seconds(10)).value_or("");
    EXPECT_TRUE(line_.starts_with("pelmora sim listening on 127.0.0.1:")) << line_;
    const auto colon = line_.find("127.0.0.1:");
    if (colon != std::string::npos) port_ = std::atoi(line_.c_str() + colon + 10);
  }

  ToolResult Stop(int signal) {
    process_.Signal(signal);
    return process_.Wait(std::chrono::seconds(5)).value_or(ToolResult{-1, "", "sim did not stop"});
  }

  std::string Endpoint() const { return "127.0.0.1:" + std::to_string(port_); }

  ToolResult Run(std::vector<std::string> arguments, const std::string& input = {}) const {
    arguments.insert(arguments.begin(), {"--host", "127.0.0.1:" + std::to_string(port_)});
    return ToolProcess::Run(arguments, input);
  }

 private:
  ToolProcess process_;
  std::string line_;
  int port_ = 0;
};

}  // namespace pelmora::testing
