#include <gtest/gtest.h>

#include <tuple>

#include "protocol/ProtocolHarness.h"

namespace pelmora {
namespace {

using std::chrono::milliseconds;
using testing::ErrorOf;
using testing::ProtocolHarness;

// A negative delay is refused and changes nothing; zero frames in the pass the prompt arrives.
TEST(FramingDelayTest, NegativeIsRefusedAndZeroFramesInThePassTheFinalPromptArrives) {
  ProtocolHarness h({{"SH A\r", {"SH A\r\nvalue\r\nLocal> "}}});
  EXPECT_EQ(ErrorOf([&] { h.handler->SetFramingDelay(-1); }), "5 ProtocolHandler:FramingDelay");
  EXPECT_EQ(h.handler->FramingDelay(), 10);
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
  for (const auto& [delay, answer, readOnly] :
       {std::tuple{10, "user Local: x", false}, {0, "user ", true}}) {
    ProtocolHarness h({{"SH A\r", {"SH A\r\nuser Local: ", "x\r\nLocal> "}}});
    h.handler->SetFramingDelay(delay);
    EXPECT_EQ(h.Run("SH A\r"), answer);
    EXPECT_EQ(h.handler->ReadOnlyMode(), readOnly);
  }
}

}  // namespace
}  // namespace pelmora
