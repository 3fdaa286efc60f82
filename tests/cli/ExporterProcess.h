#pragma once

#include <httplib.h>

#include "ToolProcess.h"

namespace pelmora::testing {

// `pelmora exporter` (SIGTERM ends it).
struct ExporterProcess : ServingProcess {
  explicit ExporterProcess(const std::vector<std::string>& arguments)
      : ServingProcess(SimProcess::With({"exporter", "--listen", "127.0.0.1:0"}, arguments),
                       SIGTERM) {}

  httplib::Result Get(const std::string& path, const httplib::Headers& headers = {}) const {
    httplib::Client client("127.0.0.1", Port());
    client.set_read_timeout(20s);
    return client.Get(path.c_str(), headers);
  }
};

}  // namespace pelmora::testing
