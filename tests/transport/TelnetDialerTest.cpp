#include "pelmora/transport/TelnetDialer.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "support/PumpUntil.h"

namespace pelmora {
namespace {

struct Answer {
  std::error_code error;
  TelnetDialer::Endpoints endpoints;
};

// Numbers need no lookup, names go to the shared lookup threads; either way the handler runs
// once, later, on the caller's loop, and a cancelled lookup ends at once.
TEST(TelnetDialer, AnswersOnTheCallersLoopOnceAndACancelledLookupEndsAborted) {
  struct Case {
    const char* host;
    bool cancel;
    bool found;
    std::optional<std::error_code> error;  // none: any error
  };
  const std::vector<Case> cases{
      {"127.0.0.1", false, true, std::error_code()},
      {"::1", false, true, std::error_code()},
      {"localhost", false, true, std::error_code()},
      {"no-such-host.invalid", false, false, std::nullopt},
      {"no-such-host.invalid", true, false, asio::error::operation_aborted}};
  for (const auto& one : cases) {
    TelnetDialer dialer;
    std::vector<Answer> answers;
    dialer.Resolve(one.host, "2323", [&answers](std::error_code error, auto endpoints) {
      answers.push_back({error, std::move(endpoints)});
    });
    EXPECT_TRUE(answers.empty()) << one.host << ": answered inside the call";
    if (one.cancel) dialer.Cancel();
    ASSERT_TRUE(testing::PumpUntil([&] { return !answers.empty(); }, std::chrono::seconds(10)))
        << one.host;
    testing::PumpFor(std::chrono::milliseconds(20));
    ASSERT_EQ(answers.size(), 1u) << one.host;
    EXPECT_EQ(!answers[0].error, one.found) << one.host << ": " << answers[0].error.message();
    if (one.error) {
      EXPECT_EQ(answers[0].error, *one.error) << one.host;
    }
    for (const auto& endpoint : answers[0].endpoints) {
      EXPECT_TRUE(endpoint.address().is_loopback()) << one.host;
      EXPECT_EQ(endpoint.port(), 2323) << one.host;
    }
    EXPECT_EQ(answers[0].endpoints.empty(), !one.found) << one.host;
  }
}

}  // namespace
}  // namespace pelmora
