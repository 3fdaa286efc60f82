#include "pelmora/protocol/ProtocolHandler.h"

#include <gtest/gtest.h>

#include "protocol/ProtocolHarness.h"
#include "support/CpuTime.h"
#include "support/ExpectError.h"
#include "support/PumpUntil.h"

namespace pelmora {
namespace {

using std::chrono::milliseconds;
using testing::CatchError;
using testing::ProtocolHarness;

const std::string kSsidLine = "SH NW SSID\r";

TEST(ProtocolHandlerFramingTest, AnswerInOneChunkIsCutBetweenEchoAndPrompt) {
  ProtocolHarness h({{kSsidLine, {"SH NW SSID\r\nWiFi SSID: PrintNet\r\nLocal> "}}});
  EXPECT_EQ(h.Run(kSsidLine), "WiFi SSID: PrintNet");
  ASSERT_EQ(h.received.size(), 1U);
  EXPECT_EQ(h.received[0]->ReplyText, "\nWiFi SSID: PrintNet\r\n");
  EXPECT_TRUE(h.received[0]->Replied);
  EXPECT_EQ(h.handler->ReceiveBuffer().Count(), 0);
  EXPECT_FALSE(h.handler->ReadOnlyMode());
  EXPECT_EQ(h.pipe->Sent(), kSsidLine);
  EXPECT_FALSE(h.pipe->IsOpen());
}

TEST(ProtocolHandlerFramingTest, SameAnswerSplitAnywhereGivesTheSameResult) {
  const std::string answer = "SH NW SSID\r\nWiFi SSID: PrintNet\r\nLocal> ";
  for (std::size_t chunk : {1U, 3U, 7U}) {
    ProtocolHarness h({{kSsidLine, {answer}}});
    h.pipe->SetDelivery(milliseconds(0), chunk, milliseconds(0));
    EXPECT_EQ(h.Run(kSsidLine), "WiFi SSID: PrintNet") << "chunks of " << chunk;
  }
}

TEST(ProtocolHandlerFramingTest, IncompleteEchoAndMissingPromptKeepTheBytesUntilTheLastChunk) {
  ProtocolHarness h({{kSsidLine, {"SH NW", " SSID\r\nWiFi SSID: x\r\n", "Local> "}}});
  h.pipe->SetDelivery(milliseconds(0), 0, milliseconds(40));
  std::vector<std::int32_t> bufferSizes;
  h.duringWait = [&] {
    const auto size = h.handler->ReceiveBuffer().Count();
    if (bufferSizes.empty() || bufferSizes.back() != size) bufferSizes.push_back(size);
  };
  EXPECT_EQ(h.Run(kSsidLine), "WiFi SSID: x");
  EXPECT_EQ(bufferSizes, (std::vector<std::int32_t>{5, 26, 33, 0}));
}

TEST(ProtocolHandlerFramingTest, BareCarriageReturnAndThePromptsReadOnlyEffect) {
  ProtocolHarness h;
  h.Answer("\r", {"\r\nLocal: "});
  EXPECT_EQ(h.Run("\r"), "");
  EXPECT_EQ(h.received.back()->ReplyText, "\n");
  EXPECT_TRUE(h.handler->ReadOnlyMode());

  h.Answer("unpro\r", {"unpro\r\nPassword> "});
  EXPECT_EQ(h.Run("unpro\r"), "");
  EXPECT_TRUE(h.handler->ReadOnlyMode());

  h.Answer("\r", {"\r\nLocal> "});
  EXPECT_EQ(h.Run("\r"), "");
  EXPECT_FALSE(h.handler->ReadOnlyMode());

  h.Answer("exit\r", {"exit\r\nExit Configuration task\r\n"});
  EXPECT_EQ(h.Run("exit\r"), "");
  EXPECT_TRUE(h.handler->ReadOnlyMode());
}

TEST(ProtocolHandlerFramingTest, PromptOrderDecidesNotPosition) {
  ProtocolHarness h({{"SH X\r", {"SH X\r\nLocal: then Local> \r\nLocal: "}}});
  EXPECT_EQ(h.Run("SH X\r"), "Local: then ");
  EXPECT_FALSE(h.handler->ReadOnlyMode());
}

TEST(ProtocolHandlerFramingTest, SilentCommandIsFramedFromTheFirstCarriageReturn) {
  ProtocolHarness h;
  h.Answer("\r", {"\r\nLocal: "});
  h.Run("\r");
  // A short password: the prompt behind the CR is found and clears the read-only state.
  h.Answer("abc\r", {"\r\nLocal> "});
  EXPECT_EQ(h.Run("abc\r", 0, true), "");
  EXPECT_FALSE(h.handler->ReadOnlyMode());

  h.Run("\r");
  ASSERT_TRUE(h.handler->ReadOnlyMode());
  // A long password: the prompt is searched from the password's length and is not seen.
  h.Answer("secret12\r", {"\r\nLocal> "});
  EXPECT_EQ(h.Run("secret12\r", 0, true), "");
  EXPECT_TRUE(h.handler->ReadOnlyMode());
  EXPECT_TRUE(h.received.back()->Replied);
  EXPECT_EQ(h.received.back()->ReplyText, "");
}

TEST(ProtocolHandlerFramingTest, XoffSetsTheWarningOnlyInACompletedAnswer) {
  ProtocolHarness h({{"SH A\r", {"SH A\r\nva\x13lue\r\n"}}});
  h.handler->SetDefaultTimeout(80);
  EXPECT_EQ(CatchError([&] { h.Run("SH A\r"); }).Number(), 119);
  EXPECT_FALSE(h.handler->XonXoffWarning());
  h.Answer("SH A\r", {"SH A\r\nva\x13lue\r\nLocal> "});
  EXPECT_EQ(h.Run("SH A\r"), "va\x13lue");
  EXPECT_TRUE(h.handler->XonXoffWarning());
  h.Answer("SH A\r", {"SH A\r\nclean\r\nLocal> "});
  h.Run("SH A\r");
  EXPECT_TRUE(h.handler->XonXoffWarning());
}

TEST(ProtocolHandlerFramingTest, PromptWithoutItsBlankIsNeverRecognised) {
  ProtocolHarness h({{"SH A\r", {"SH A\r\nvalue\r\nLocal>"}}});
  h.handler->SetDefaultTimeout(60);
  const auto error = CatchError([&] { h.Run("SH A\r"); });
  EXPECT_EQ(error.Number(), 119);
  EXPECT_EQ(error.Source(), "ProtocolHandler:Query Method");
  EXPECT_EQ(error.Description(), "No response from device");
}

TEST(ProtocolHandlerFramingTest, StrayBytesBeforeTheEchoAreDroppedWithTheAnswer) {
  ProtocolHarness h({{"SH A\r", {"garbage\r\nSH A\r\nvalue\r\nLocal> trailing"}}});
  EXPECT_EQ(h.Run("SH A\r"), "value");
  EXPECT_EQ(h.handler->ReceiveBuffer().Count(), 0);
}

TEST(ProtocolHandlerFramingTest, LateEchoAndPromptAreFramedIntoTheLastRecordWhileIdle) {
  ProtocolHarness h({{"SH A\r", {"SH A\r\nfirst\r\nLocal> "}}});
  h.Run("SH A\r");
  h.handler->ReceiveBytes(TextBytes::ToBytes("SH A\r\nsecond\r\nLocal> "));
  ASSERT_TRUE(testing::PumpUntil([&] { return h.handler->ReceiveBuffer().Count() == 0; }));
  EXPECT_EQ(h.received.back()->ReplyText, "\nsecond\r\n");
  // Bytes that complete nothing stay put.
  h.handler->ReceiveBytes(TextBytes::ToBytes("noise"));
  testing::PumpFor(milliseconds(30));
  EXPECT_EQ(h.handler->ReceiveBuffer().Count(), 5);
}

TEST(ProtocolHandlerCommandTest, EntryChecksRaiseWithTheirSources) {
  ProtocolHarness h;
  auto noConnection = CatchError([&] { h.handler->Command("\r", nullptr); });
  EXPECT_EQ(noConnection.Number(), 116);
  EXPECT_EQ(noConnection.Source(), "ProtocolHandler:Query method");
  EXPECT_EQ(noConnection.Description(), "No connection object");

  h.pipe->SetBusy(true);
  auto busy = CatchError([&] { h.Run("\r"); });
  EXPECT_EQ(busy.Number(), 121);
  EXPECT_EQ(busy.Source(), "ProtocolHandler:Query method");
  EXPECT_EQ(h.pipe->Sent(), "");
}

TEST(ProtocolHandlerCommandTest, DefaultLimitAppliesOnlyWithoutATimeout) {
  ProtocolHarness h;
  h.handler->SetDefaultTimeout(50);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(CatchError([&] { h.Run("SH A\r"); }).Number(), 119);
  EXPECT_LT(std::chrono::steady_clock::now() - start, milliseconds(300));

  h.handler->SetDefaultTimeout(10);
  const auto timedStart = std::chrono::steady_clock::now();
  const auto timeout = CatchError([&] { h.Run("SH A\r", 120); });
  EXPECT_EQ(timeout.Number(), 120);
  EXPECT_EQ(timeout.Source(), "ProtocolHandler:Query Method");
  EXPECT_EQ(timeout.Description(), "Timeout waiting for device reply");
  EXPECT_GE(std::chrono::steady_clock::now() - timedStart, milliseconds(120));
  EXPECT_EQ(h.handler->Replies().NoReplyCount(), 2);
}

TEST(ProtocolHandlerCommandTest, StaleBytesAfterATimeoutDoNotCompleteTheNextCommand) {
  ProtocolHarness h({{"SH A\r", {"SH A\r\nslow\r\n"}}});
  EXPECT_EQ(CatchError([&] { h.Run("SH A\r", 60); }).Number(), 120);
  // Left in the buffer, the abandoned answer would become the text of the next bare CR.
  h.Answer("\r", {"\r\nLocal> "});
  EXPECT_EQ(h.Run("\r"), "");
  EXPECT_FALSE(h.handler->ReadOnlyMode());
}

TEST(ProtocolHandlerCommandTest, NestedCommandFailsWith123AndClearsAPendingAbort) {
  ProtocolHarness h({{"SH A\r", {"SH A\r\nvalue\r\nLocal> "}}});
  h.pipe->SetDelivery(milliseconds(20), 0, milliseconds(0));
  std::int32_t nestedNumber = 0;
  h.duringWait = [&] {
    if (nestedNumber != 0) return;
    nestedNumber = CatchError([&] { h.Run("SH A\r"); }).Number();
  };
  EXPECT_EQ(h.Run("SH A\r"), "value");
  EXPECT_EQ(nestedNumber, 123);
}

TEST(ProtocolHandlerCommandTest, AbortDuringTheWaitEndsWith113AndClearsEverything) {
  ProtocolHarness h({{"SH A\r", {"SH A\r\npartial"}}});
  h.Answer("\r", {"\r\nLocal> "});
  h.Run("\r");
  h.duringWait = [&] {
    if (h.handler->ReceiveBuffer().Count() > 0) h.handler->Abort();
  };
  const auto error = CatchError([&] { h.Run("SH A\r"); });
  EXPECT_EQ(error.Number(), 113);
  EXPECT_EQ(error.Source(), "ProtocolHandler:Query Method");
  EXPECT_EQ(h.handler->Replies().Count(), 0);
  EXPECT_EQ(h.handler->ReceiveBuffer().Count(), 0);
  h.duringWait = nullptr;
  EXPECT_EQ(h.Run("\r"), "");
}

TEST(ProtocolHandlerCommandTest, AbortWithoutRecordsLeavesTheBufferAlone) {
  ProtocolHarness h;
  h.handler->ReceiveBytes(TextBytes::ToBytes("idle"));
  h.handler->Abort();
  h.handler->Reset();
  EXPECT_EQ(h.handler->ReceiveBuffer().Count(), 4);
}

TEST(ProtocolHandlerCommandTest, CancelOnTheCallersProgressEndsWith113) {
  ProtocolHarness h;
  auto display = std::make_shared<Progress>();
  h.duringWait = [&] {
    if (h.passes > 3) display->Cancel();
  };
  EXPECT_EQ(CatchError([&] { h.Run("SH A\r", 0, false, display); }).Number(), 113);
  EXPECT_EQ(h.handler->Replies().Count(), 0);
}

TEST(ProtocolHandlerCommandTest, FailedSendIsFollowedByCrLfAbortAndTheSuffixedError) {
  ProtocolHarness h({{"\r", {"\r\nLocal> "}}});
  h.Run("\r");
  h.pipe->ClearSent();
  h.pipe->FailNextSends(1);
  const auto error = CatchError([&] { h.Run("SH A\r"); });
  EXPECT_EQ(error.Number(), 3003);
  EXPECT_EQ(error.Source(), "Connection>>ProtocolHandler:Command Method");
  EXPECT_EQ(h.pipe->Sent(), "\r\n");
  EXPECT_EQ(h.handler->Replies().Count(), 0);
}

TEST(ProtocolHandlerCommandTest, HandlerStaysUsableWhenTheRecoverySendFailsToo) {
  ProtocolHarness h({{"\r", {"\r\nLocal> "}}});
  h.pipe->FailNextSends(2);
  EXPECT_EQ(CatchError([&] { h.Run("SH A\r"); }).Number(), 3003);
  EXPECT_EQ(h.Run("\r"), "");
}

TEST(ProtocolHandlerCommandTest, MissingCallbackRaisesObjectNotSetAndLeavesTheHandlerUsable) {
  ProtocolHarness h({{"\r", {"\r\nLocal> "}}});
  h.handler->SetCallback(nullptr);
  const auto error = CatchError([&] { h.Run("\r"); });
  EXPECT_EQ(error.Number(), 91);
  EXPECT_EQ(error.Source(), "ProtocolHandler:Command>>ProtocolHandler:Command Method");
  h.handler->SetCallback(&h);
  EXPECT_EQ(h.Run("\r"), "");
}

TEST(ProtocolHandlerCommandTest, PromptInsideTheCommandLineDoesNotEndTheCommandEarly) {
  const std::string line = "SET NW SSID Local> x\r";
  ProtocolHarness h({{line, {"SET NW SSID Local> x", "\r\nLocal> "}}});
  h.pipe->SetDelivery(milliseconds(0), 0, milliseconds(40));
  EXPECT_EQ(h.Run(line), "");
  EXPECT_EQ(h.received.back()->ReplyText, "\n");
  EXPECT_GE(h.passes, 2);
}

TEST(ProtocolHandlerCommandTest, SessionEndRightBehindACompleteAnswerStillReturnsIt) {
  ProtocolHarness h({{"exit\r", {"exit\r\nExit Configuration task\r\n"}}});
  h.pipe->SetPeer([&](std::string_view) {
    h.pipe->PeerWrite("exit\r\nExit Configuration task\r\n");
    h.pipe->PeerDrop();
  });
  EXPECT_EQ(h.Run("exit\r"), "");
  EXPECT_TRUE(h.handler->ReadOnlyMode());
}

TEST(ProtocolHandlerCommandTest, SessionEndMidAnswerFailsAtOnceAndTheNextCommandWorks) {
  ProtocolHarness h({{"\r", {"\r\nLocal> "}}});
  h.pipe->SetPeer([&](std::string_view sent) {
    if (sent == "\r") return h.pipe->PeerWrite("\r\nLocal> ");
    h.pipe->PeerWrite("SH NW\r\nWiFi SSID: Pri");
    h.pipe->PeerDrop();
  });
  const auto start = std::chrono::steady_clock::now();
  const auto error = CatchError([&] { h.Run("SH NW\r"); });
  EXPECT_EQ(error.Number(), 3004);
  EXPECT_EQ(error.Source(), "Connection>>ProtocolHandler:Command Method");
  EXPECT_LT(std::chrono::steady_clock::now() - start, milliseconds(200));
  EXPECT_EQ(h.Run("\r"), "");
  EXPECT_EQ(h.pipe->SessionsOpened(), 2);
}

TEST(ProtocolHandlerCommandTest, MessageIdsRunFrom1To99AndWrap) {
  ProtocolHarness h({{"\r", {"\r\nLocal> "}}});
  for (int i = 1; i <= 100; ++i) h.Run("\r");
  EXPECT_EQ(h.received[0]->MsgID, 1);
  EXPECT_EQ(h.received[98]->MsgID, 99);
  EXPECT_EQ(h.received[99]->MsgID, 1);
  EXPECT_EQ(h.handler->Replies().Count(), 10);
}

TEST(ProtocolHandlerCommandTest, ResultKeepsInnerLineBreaksAndTrailingBlanks) {
  ProtocolHarness h({{"SH A\r", {"SH A\r\n\r\nline 1\r\nline 2  \r\n\r\nLocal> "}}});
  EXPECT_EQ(h.Run("SH A\r"), "line 1\r\nline 2  ");
}

TEST(ProtocolHandlerCommandTest, StreamWithoutPromptIsBoundedAndNamed) {
  ProtocolHarness h({{"SH A\r", {"SH A\r\n" + std::string(ProtocolHandler::kMaxReplyBytes, 'x')}}});
  h.Answer("\r", {"\r\nLocal> "});
  const auto error = CatchError([&] { h.Run("SH A\r"); });
  EXPECT_EQ(error.Number(), 3008);
  EXPECT_NE(error.Description().find("1048576 bytes"), std::string::npos);
  EXPECT_EQ(h.Run("\r"), "");
}

TEST(ProtocolHandlerCommandTest, WaitingCostsAlmostNoCpu) {
  ProtocolHarness h({{"SH A\r", {"SH A\r\nvalue\r\nLocal> "}}});
  h.pipe->SetDelivery(milliseconds(300), 0, milliseconds(0));
  const auto cpuBefore = testing::ProcessCpuTime();
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(h.Run("SH A\r"), "value");
  const auto wall = std::chrono::steady_clock::now() - start;
  const auto cpu = testing::ProcessCpuTime() - cpuBefore;
  EXPECT_GE(wall, milliseconds(300));
  EXPECT_LT(cpu * 10, wall);
}

}  // namespace
}  // namespace pelmora
