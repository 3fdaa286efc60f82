#include "pelmora/protocol/ProtocolHandler.h"

#include <gtest/gtest.h>

#include <set>
#include <thread>

#include "protocol/ProtocolHarness.h"
#include "support/PumpUntil.h"

namespace pelmora {
namespace {

using std::chrono::milliseconds;
using testing::CatchError;
using testing::ErrorOf;
using testing::ProtocolHarness;
using Texts = std::vector<std::string>;
using Clock = Apartment::Clock;

const std::string kSsidLine = "SH NW SSID\r";
const std::string kQuery = " ProtocolHandler:Query Method";

// Whether the newest record, the running command's, has its answer.
bool NewestReplied(ProtocolHandler& handler) {
  auto& replies = handler.Replies();
  return replies.Count() > 0 && replies.ItemByIndex(replies.Count())->Replied;
}

// The prompt table's order decides, not the position in the buffer; stray bytes go with the
// framed answer; a prompt inside the echo ends nothing. A password has no echo: the prompt is
// searched from the password's length, found behind a short one, not a long one.
TEST(ProtocolHandlerFramingTest, AnswersAreCutBetweenEchoAndPromptAndThePromptSetsReadOnly) {
  using Row = std::tuple<std::string, Texts, std::string, std::string, bool>;
  const std::vector<Row> rows = {
      {kSsidLine, {"junk\r\nSH NW SSID\r\nSSID: x\r\nLocal> tail"}, "SSID: x", "\nSSID: x\r\n", 0},
      {"\r", {"\r\nLocal: "}, "", "\n", true},
      {"unpro\r", {"unpro\r\nPassword> "}, "", "\n", true},
      {"abc\r", {"\r\nLocal> "}, "", "", false},
      {"SH A\r", {"SH A\r\n\r\na\r\nb \r\n\r\nLocal> "}, "a\r\nb ", "\n\r\na\r\nb \r\n\r\n", false},
      {"exit\r", {"exit\r\nExit Configuration task\r\n"}, "", "\n", true},
      {"secret12\r", {"\r\nLocal> "}, "", "", true},
      {"SH X\r", {"SH X\r\nLocal: a Local> \r\nLocal: "}, "Local: a ", "\nLocal: a ", false},
      {"SET NW SSID Local> x\r", {"SET NW SSID Local> x", "\r\nLocal> "}, "", "\n", false},
  };
  ProtocolHarness h;
  h.pipe->SetDelivery(milliseconds(0), 0, milliseconds(20));
  const std::set<std::string> passwords = {"abc\r", "secret12\r"};
  for (const auto& [line, chunks, result, framed, readOnly] : rows) {
    SCOPED_TRACE(line);
    h.pipe->ClearSent();
    h.Answer(line, chunks);
    EXPECT_EQ(h.Run(line, 0, passwords.contains(line)), result);
    EXPECT_EQ(h.received.back()->ReplyText, framed);
    EXPECT_EQ(h.handler->ReadOnlyMode(), readOnly);
    EXPECT_EQ(h.handler->ReceiveBuffer().Count(), 0);
    EXPECT_EQ(h.pipe->Sent(), line);
    EXPECT_FALSE(h.pipe->IsOpen());
  }
}

// A prompt without its blank is no prompt yet: the answer completes when the blank arrives.
TEST(ProtocolHandlerFramingTest, IncompleteEchoAndMissingPromptKeepTheBytesUntilTheLastChunk) {
  ProtocolHarness h({{kSsidLine, {"SH NW", " SSID\r\nWiFi SSID: x\r\n", "Local>", " "}}});
  h.pipe->SetDelivery(milliseconds(0), 0, milliseconds(40));
  std::vector<std::int32_t> bufferSizes;
  h.duringWait = [&] {
    const auto size = h.handler->ReceiveBuffer().Count();
    if (bufferSizes.empty() || bufferSizes.back() != size) bufferSizes.push_back(size);
  };
  EXPECT_EQ(h.Run(kSsidLine), "WiFi SSID: x");
  EXPECT_EQ(bufferSizes, (std::vector<std::int32_t>{5, 26, 32, 33, 0}));
}

// XOFF sets the warning only in a completed answer, and a clean answer does not clear it. Late
// echo and prompt are framed into the last record while idle; bytes that complete nothing stay.
TEST(ProtocolHandlerFramingTest, XoffWarnsOnlyInACompletedAnswerAndLateAnswersFrameWhileIdle) {
  ProtocolHarness h({{"SH A\r", {"SH A\r\nva\x13lue\r\n"}}});
  h.handler->SetDefaultTimeout(80);
  EXPECT_EQ(h.Fails("SH A\r"), "119" + kQuery);
  EXPECT_FALSE(h.handler->XonXoffWarning());
  h.Answer("SH A\r", {"SH A\r\nva\x13lue\r\nLocal> "});
  EXPECT_EQ(h.Run("SH A\r"), "va\x13lue");
  EXPECT_TRUE(h.handler->XonXoffWarning());
  h.Answer("SH A\r", {"SH A\r\nclean\r\nLocal> "});
  h.Run("SH A\r");
  EXPECT_TRUE(h.handler->XonXoffWarning());

  h.handler->ReceiveBytes(TextBytes::ToBytes("SH A\r\nsecond\r\nLocal> "));
  ASSERT_TRUE(testing::PumpUntil([&] { return h.handler->ReceiveBuffer().Count() == 0; }));
  EXPECT_EQ(h.received.back()->ReplyText, "\nsecond\r\n");
  h.handler->ReceiveBytes(TextBytes::ToBytes("noise"));
  testing::PumpFor(milliseconds(30));
  EXPECT_EQ(h.handler->ReceiveBuffer().Count(), 5);
}

// Checked in this order while another command waits: no connection (116), a busy one (121), the
// running command (123), which also clears an abort asked for during the wait.
TEST(ProtocolHandlerCommandTest, EntryChecksRaiseInOrderAndAnAbortAsTheReplyCompletesFailsTheNext) {
  ProtocolHarness h({{"SH A\r", {"SH A\r\nvalue\r\nLocal> "}}});
  Texts nested;
  h.duringWait = [&] {
    if (!nested.empty()) return;
    nested.push_back(CatchError([&] { h.handler->Command("\r", nullptr); }).Description());
    nested.push_back(ErrorOf([&] { h.handler->Command("\r", nullptr); }));
    auto busy = std::make_shared<PipeConnection>();
    busy->SetBusy(true);
    nested.push_back(ErrorOf([&] { h.handler->Command("\r", busy); }));
    h.handler->Abort();
    nested.push_back(h.Fails("\r"));
  };
  EXPECT_EQ(h.Run("SH A\r"), "value");
  const std::string source = " ProtocolHandler:Query method";
  EXPECT_EQ(nested,
            (Texts{"No connection object", "116" + source, "121" + source, "123" + source}));
  EXPECT_EQ(h.pipe->Sent(), "SH A\r");
  h.duringWait = nullptr;
  EXPECT_EQ(h.Run("SH A\r"), "value");

  // An abort in the pass that completes the reply stays pending: the next command fails with 123.
  bool aborted = false;
  h.duringWait = [&] {
    if (aborted || !NewestReplied(*h.handler)) return;
    aborted = true;
    h.handler->Abort();
  };
  EXPECT_EQ(h.Run("SH A\r"), "value");
  ASSERT_TRUE(aborted);
  h.duringWait = nullptr;
  EXPECT_EQ(h.Fails("SH A\r"), "123 ProtocolHandler:Query method");
  EXPECT_EQ(h.Run("SH A\r"), "value");
}

TEST(ProtocolHandlerCommandTest, DefaultLimitAppliesOnlyWithoutATimeoutAndStaleBytesAreDropped) {
  ProtocolHarness h;
  h.handler->SetDefaultTimeout(50);
  EXPECT_EQ(h.Fails("SH A\r", -5), "119" + kQuery) << "a negative Timeout takes the default";
  h.handler->SetDefaultTimeout(10);
  EXPECT_EQ(h.Fails("SH A\r", 120), "120" + kQuery);
  EXPECT_EQ(h.handler->Replies().NoReplyCount(), 2);

  // Left in the buffer, an abandoned answer would become the text of the next bare CR.
  h.Answer("SH S\r", {"SH S\r\nslow\r\n"});
  EXPECT_EQ(h.Fails("SH S\r", 60), "120" + kQuery);
  h.handler->SetDefaultTimeout(1000);  // longer than the receive timer that frames the answer
  h.Answer("\r", {"\r\nLocal> "});
  EXPECT_EQ(h.Run("\r"), "");
  EXPECT_FALSE(h.handler->ReadOnlyMode());
}

// An abort during the wait ends it with 113 and clears the records and the receive buffer. Reset
// is Abort: while idle it does the same, but only when there are records.
TEST(ProtocolHandlerCommandTest, AbortDuringTheWaitAndIdleResetClearRecordsAndBuffer) {
  ProtocolHarness h({{"SH A\r", {"SH A\r\npartial"}}, {"\r", {"\r\nLocal> "}}});
  h.handler->ReceiveBytes(TextBytes::ToBytes("idle"));
  h.handler->Reset();
  EXPECT_EQ(h.handler->ReceiveBuffer().Count(), 4);
  h.Run("\r");
  h.handler->ReceiveBytes(TextBytes::ToBytes("idle"));
  h.handler->Reset();
  EXPECT_EQ(h.handler->Replies().Count() + h.handler->ReceiveBuffer().Count(), 0);
  EXPECT_EQ(h.Run("\r"), "") << "no abort stays pending";

  h.duringWait = [&] {
    if (h.handler->ReceiveBuffer().Count() > 0) h.handler->Abort();
  };
  EXPECT_EQ(h.Fails("SH A\r"), "113" + kQuery);
  EXPECT_EQ(h.handler->Replies().Count() + h.handler->ReceiveBuffer().Count(), 0);
  h.duringWait = nullptr;
  EXPECT_EQ(h.Run("\r"), "");
}

// The command's step list comes from the caller's CreateChild and is finished on every exit.
TEST(ProtocolHandlerCommandTest, CommandProgressFollowsItsContractOnEveryExit) {
  struct Display : Progress {
    std::shared_ptr<Progress> CreateChild() const override {
      return giveChild ? children.emplace_back(std::make_shared<Progress>()) : nullptr;
    }
    bool giveChild = true;
    mutable std::vector<std::shared_ptr<Progress>> children;
  };
  const std::string line = "SH A\r";
  ProtocolHarness h({{line, {"SH A\r\nvalue\r\nLocal> "}}});
  auto display = std::make_shared<Display>();
  const auto run = [&](const std::string& sent, std::int32_t timeout = 0) {
    return h.Run(sent, timeout, false, display);
  };
  bool activeWhileWaiting = false;
  h.duringWait = [&] { activeWhileWaiting = display->children.back()->Active(); };
  EXPECT_EQ(run(line), "value");
  h.duringWait = nullptr;
  EXPECT_EQ(CatchError([&] { run("SH B\r", 30); }).Number(), 120);
  h.pipe->FailNextSends(1);
  EXPECT_EQ(CatchError([&] { run(line); }).Number(), 3003);
  h.duringWait = [&] { display->Cancel(); };
  EXPECT_EQ(CatchError([&] { run("SH B\r"); }).Number(), 113);
  EXPECT_TRUE(activeWhileWaiting);
  ASSERT_EQ(display->children.size(), 4U);
  for (const auto& child : display->children) {
    std::string shown;
    for (const auto& step : child->Steps()) shown += step.caption + std::to_string(step.weight);
    shown += " " + std::to_string(child->UpdateInterval()) + " " +
             std::to_string(child->CurrentStep()) + (child->Finished() ? " finished" : "") +
             (child->Active() ? " active" : "");
    EXPECT_EQ(shown, "Sending...5Waiting for response2000Receiving10000 500 1 finished");
    EXPECT_EQ(child->Parent(), display);
  }
  EXPECT_EQ(h.handler->Replies().Count(), 0) << "a cancel removes the records";
  display->children.clear();  // each child holds the display as its parent

  // A progress display that makes no step list fails the command; the handler stays usable.
  display->giveChild = false;
  h.duringWait = nullptr;
  EXPECT_EQ(ErrorOf([&] { run(line); }),
            "91 ProtocolHandler:Command>>ProtocolHandler:Command Method");
  EXPECT_EQ(h.Run(line), "value");
}

// A failed send is followed by CR LF and an abort, and even a failing recovery send leaves the
// handler usable. A wrapped id that meets its own old record (cap 99 or more) fails with 457.
TEST(ProtocolHandlerCommandTest, FailedSendAndATakenIdFailTheCommandAndLeaveTheHandlerUsable) {
  ProtocolHarness h({{"\r", {"\r\nLocal> "}}});
  h.Run("\r");
  h.pipe->ClearSent();
  h.pipe->FailNextSends(1);
  EXPECT_EQ(h.Fails("SH A\r"), "3003 Connection>>ProtocolHandler:Command Method");
  EXPECT_EQ(h.pipe->Sent(), "\r\n");
  EXPECT_EQ(h.handler->Replies().Count(), 0);
  h.pipe->FailNextSends(2);
  EXPECT_EQ(CatchError([&] { h.Run("SH A\r"); }).Number(), 3003);
  EXPECT_EQ(h.Run("\r"), "");

  ProtocolHarness g({{"\r", {"\r\nLocal> "}}});
  for (int i = 1; i <= 100; ++i) g.Run("\r");
  const auto id = [&](int i) { return g.received[i]->MsgID; };
  EXPECT_EQ((std::vector{id(0), id(98), id(99)}), (std::vector{1, 99, 1}));
  EXPECT_EQ(g.handler->Replies().Count(), 10);
  g.handler->Replies().SetMaxIndex(99);
  auto old = std::make_shared<CommandReply>();
  old->MsgID = 2;
  g.handler->Replies().Add(old);
  g.pipe->ClearSent();
  const auto error = CatchError([&] { g.Run("\r"); });
  EXPECT_EQ(error.Number(), 457);
  EXPECT_NE(error.Source().find(">>ProtocolHandler:Command Method"), std::string::npos);
  EXPECT_EQ(g.pipe->Sent(), "");
  EXPECT_EQ(g.Run("\r"), "");
}

// A callback missing at the wait's start or cleared as the reply completes fails with 91 through
// the error chain, and so does a callback failing on the reply.
TEST(ProtocolHandlerCommandTest, MissingOrFailingCallbackFailsTheCommandAndLeavesTheHandlerUsable) {
  ProtocolHarness h({{"\r", {"\r\nLocal> "}}});
  const std::vector<std::pair<std::function<void()>, std::string>> cases = {
      {[&] { h.handler->SetCallback(nullptr); }, "ProtocolHandler:Command"},
      {[&] {
         h.duringWait = [&] {
           if (NewestReplied(*h.handler)) h.handler->SetCallback(nullptr);
         };
       },
       "ProtocolHandler:Command"},
      {[&] { h.onReply = [] { throw AutomationError(7, "Client", "out of memory"); }; }, "Client"},
  };
  for (const auto& [arrange, source] : cases) {
    SCOPED_TRACE(source);
    arrange();
    const auto error = CatchError([&] { h.Run("\r"); });
    EXPECT_EQ(error.Source(), source + ">>ProtocolHandler:Command Method");
    h.duringWait = h.onReply = nullptr;
    h.handler->SetCallback(&h);
    EXPECT_EQ(h.Run("\r"), "");
  }
}

// The bound ends only an answer that never completed: an answer that is complete when the flood
// arrives, in a later chunk or in the same one, is returned.
TEST(ProtocolHandlerCommandTest, CompleteAnswerIsReturnedWhateverFloodFollows) {
  const std::string answer = "SH A\r\nvalue\r\nLocal> ";
  const std::string flood(ProtocolHandler::kMaxReplyBytes + 1, 'x');
  ProtocolHarness h({{"SH A\r", {answer + flood}}});
  EXPECT_EQ(h.Run("SH A\r"), "value");

  h.Answer("SH A\r", {answer});
  bool flooded = false;
  h.duringWait = [&] {
    if (flooded || !NewestReplied(*h.handler)) return;
    flooded = true;
    h.handler->ReceiveBytes(TextBytes::ToBytes(flood));
  };
  EXPECT_EQ(h.Run("SH A\r"), "value");
  EXPECT_TRUE(flooded);

  h.duringWait = nullptr;
  h.Answer("SH B\r", {"SH B\r\n" + std::string(ProtocolHandler::kMaxReplyBytes, 'x')});
  const auto error = CatchError([&] { h.Run("SH B\r"); });
  EXPECT_EQ(error.Number(), 3008);
  EXPECT_NE(error.Description().find("1048576 bytes"), std::string::npos);
  EXPECT_EQ(h.Run("SH A\r"), "value");
}

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

TEST(CommandWaitTest, AbortPostedFromAnotherThreadEndsTheWaitAtOnce) {
  ProtocolHarness h;
  const auto apartment = Apartment::Shared();
  std::thread requester([apartment, handler = h.handler] {
    std::this_thread::sleep_for(milliseconds(30));
    apartment->Post([handler] { handler->Abort(); });
  });
  const auto start = Clock::now();
  const auto error = CatchError([&] { h.Run("SH A\r", 20000); });
  requester.join();
  EXPECT_EQ(error.Number(), 113);
  EXPECT_LT(Clock::now() - start, milliseconds(10000));
  EXPECT_LE(h.passes, 3);
}

// A command run inside another's wait sleeps too (not a pass per slice), even past the outer
// limit, which the outer command notices when the inner returns.
TEST(CommandWaitTest, NestedWaitSleepsPastTheOuterLimit) {
  ProtocolHarness outer;
  ProtocolHarness inner;
  std::int32_t innerError = 0;
  outer.duringWait = [&] {
    if (innerError == 0) innerError = CatchError([&] { inner.Run("SH B\r", 300); }).Number();
  };
  EXPECT_EQ(CatchError([&] { outer.Run("SH A\r", 50); }).Number(), 120);
  EXPECT_EQ(innerError, 120);
  EXPECT_LE(inner.passes, 5);
}

// Timers and a pending delivery on the loop of a thread that has ended keep that loop until the
// last of them has gone, and no longer. Each object gets a thread, so it alone keeps its loop.
TEST(CommandWaitTest, HandlerAndConnectionOutliveTheThreadThatCreatedThem) {
  std::weak_ptr<Apartment> handlersLoop;
  std::weak_ptr<Apartment> pipesLoop;
  std::shared_ptr<ProtocolHandler> handler;
  std::shared_ptr<PipeConnection> pipe;
  std::thread([&] {
    handlersLoop = Apartment::Shared();
    handler = std::make_shared<ProtocolHandler>();
    handler->ReceiveBytes(TextBytes::ToBytes("stray"));
  }).join();
  std::thread([&] {
    pipesLoop = Apartment::Shared();
    pipe = std::make_shared<PipeConnection>();
    pipe->SetIsOpen(true);
    pipe->SetDelivery(milliseconds(60000), 0, milliseconds(0));
    pipe->PeerWrite("late");
  }).join();
  EXPECT_FALSE(handlersLoop.expired() || pipesLoop.expired());
  handler.reset();
  pipe.reset();
  EXPECT_TRUE(handlersLoop.expired() && pipesLoop.expired());
}

}  // namespace
}  // namespace pelmora
