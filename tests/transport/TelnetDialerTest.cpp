#include "pelmora/transport/TelnetDialer.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/PumpUntil.h"

namespace pelmora {
namespace {

// Numbers need no lookup, names go to the shared lookup threads; either way the handler runs
// once, later, on the caller's loop, and a cancelled lookup ends at once.
TEST(TelnetDialer, AnswersOnTheCallersLoopOnceAndACancelledLookupEndsAborted) {
  const std::error_code found, missing = asio::error::host_not_found,
                               aborted = asio::error::operation_aborted;
  for (const auto& [host, cancel, expected] :
       std::vector<std::tuple<const char*, bool, std::error_code>>{
           {"127.0.0.1", false, found},
           {"::1", false, found},
           {"localhost", false, found},
           {"no-such-host.invalid", false, missing},
           {"no-such-host.invalid", true, aborted}}) {
    TelnetDialer dialer;
    std::vector<std::pair<std::error_code, TelnetDialer::Endpoints>> answers;
    dialer.Resolve(host, "2323", [&answers](std::error_code error, auto endpoints) {
      answers.emplace_back(error, std::move(endpoints));
    });
    EXPECT_TRUE(answers.empty()) << host << ": answered inside the call";
    if (cancel) dialer.Cancel();
    ASSERT_TRUE(testing::PumpUntil([&] { return !answers.empty(); }, std::chrono::seconds(10)));
    testing::PumpFor(std::chrono::milliseconds(20));
    ASSERT_EQ(answers.size(), 1u) << host;
    // A missing name is "not found" or a failure of the name service, whichever it says.
    EXPECT_TRUE(expected == missing || answers[0].first == expected) << host;
    EXPECT_EQ(answers[0].first == found, expected == found) << answers[0].first.message();
    EXPECT_EQ(answers[0].second.empty(), expected != found) << host;
    for (const auto& endpoint : answers[0].second) {
      EXPECT_TRUE(endpoint.address().is_loopback() && endpoint.port() == 2323) << host;
    }
  }
}

}  // namespace
}  // namespace pelmora
