#include <gtest/gtest.h>

#include "protocol/ProtocolHarness.h"
#include "support/ExpectError.h"

namespace pelmora {
namespace {

using std::chrono::milliseconds;
using testing::CatchError;
using testing::ProtocolHarness;

TEST(FramingDelayTest, NegativeDelayIsRefusedAndChangesNothing) {
  ProtocolHarness h;
  const auto error = CatchError([&] { h.handler->SetFramingDelay(-1); });
  EXPECT_EQ(error.Number(), 5);
  EXPECT_EQ(error.Source(), "ProtocolHandler:FramingDelay");
  EXPECT_EQ(h.handler->FramingDelay(), 10);
}

TEST(FramingDelayTest, ZeroFramesInThePassTheFinalPromptArrives) {
  ProtocolHarness h({{"SH A\r", {"SH A\r\nvalue\r\nLocal> "}}});
  h.handler->SetFramingDelay(0);
  EXPECT_EQ(h.Run("SH A\r"), "value");
  EXPECT_EQ(h.passes, 1);

  // Trickled a byte per loop turn, and with stray bytes behind the prompt (framed at the
  // default delay then): the same answers as with the default delay.
  h.pipe->SetDelivery(milliseconds(0), 1, milliseconds(0));
  EXPECT_EQ(h.Run("SH A\r"), "value");
  h.pipe->SetDelivery(milliseconds(0), 0, milliseconds(0));
  h.Answer("SH B\r", {"SH B\r\nother\r\nLocal> \r\n"});
  EXPECT_EQ(h.Run("SH B\r"), "other");
  EXPECT_FALSE(h.handler->ReadOnlyMode());
}

// The one behaviour in which the modes differ: an answer that contains an end-of-answer text,
// split right behind it. Waiting joins the pieces and the final prompt decides (it comes first
// in the table); framing at once takes the inner text for the end.
TEST(FramingDelayTest, AnswerSplitRightBehindAnInnerPromptTextIsCutThereOnlyAtZero) {
  for (const std::int32_t delay : {10, 0}) {
    ProtocolHarness h({{"SH A\r", {"SH A\r\nuser Local: ", "x\r\nLocal> "}}});
    h.handler->SetFramingDelay(delay);
    const std::string answer = h.Run("SH A\r");
    if (delay == 0) {
      EXPECT_EQ(answer, "user ");
      EXPECT_TRUE(h.handler->ReadOnlyMode());
    } else {
      EXPECT_EQ(answer, "user Local: x");
      EXPECT_FALSE(h.handler->ReadOnlyMode());
    }
  }
}

}  // namespace
}  // namespace pelmora
