#include "pelmora/protocol/CommandReplyCollection.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <vector>

#include "pelmora/platform/AutomationError.h"
#include "pelmora/platform/ErrorMessages.h"
#include "pelmora/protocol/IProtocolHndCallback.h"
#include "support/ExpectError.h"

namespace pelmora {
namespace {

std::shared_ptr<CommandReply> Reply(std::int32_t id, bool replied = false) {
  auto reply = std::make_shared<CommandReply>();
  reply->MsgID = id;
  reply->Replied = replied;
  return reply;
}

std::vector<std::int32_t> Ids(const CommandReplyCollection& replies) {
  std::vector<std::int32_t> ids;
  for (const auto& reply : replies.NewEnum()) ids.push_back(reply->MsgID);
  return ids;
}

using testing::CatchError;

TEST(CommandReplyCollectionTest, DefaultCapKeepsTheTenNewestInInsertionOrder) {
  CommandReplyCollection replies;
  EXPECT_EQ(replies.MaxIndex(), 10);
  for (std::int32_t id = 1; id <= 12; ++id) {
    const auto reply = Reply(id);
    EXPECT_EQ(replies.Add(reply), reply);
  }
  EXPECT_EQ(replies.Count(), 10);
  EXPECT_EQ(Ids(replies), (std::vector<std::int32_t>{3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
  EXPECT_EQ(replies.ItemByIndex(1)->MsgID, 3);
  EXPECT_EQ(replies.ItemByIndex(10)->MsgID, 12);
  EXPECT_EQ(replies.Item(7)->MsgID, 7);
  EXPECT_EQ(CatchError([&] { replies.Item(2); }).Number(), 5);
}

TEST(CommandReplyCollectionTest, KeyIsTheIdTakenWhenTheRecordWasAdded) {
  EXPECT_EQ(CommandReplyCollection::KeyOf(7), "ID7");
  CommandReplyCollection replies;
  const auto reply = replies.Add(Reply(7));
  reply->MsgID = 8;  // the key stays "ID7"
  EXPECT_EQ(replies.Item(7), reply);
  EXPECT_EQ(CatchError([&] { replies.Item(8); }).Number(), 5);
  EXPECT_EQ(replies.Remove(8), nullptr);
  EXPECT_EQ(replies.Remove(7), reply);
  EXPECT_EQ(replies.Count(), 0);
}

TEST(CommandReplyCollectionTest, LookupsOutsideTheRecordsFailWithTheirNumbers) {
  CommandReplyCollection replies;
  replies.Add(Reply(1));
  replies.Add(Reply(2));
  const AutomationError missing = CatchError([&] { replies.Item(3); });
  EXPECT_EQ(missing.Number(), 5);
  EXPECT_EQ(missing.Source(), "CommandReplyCollection.Item");
  EXPECT_EQ(missing.Description(), ErrorMessages::Current().ErrorText(5));
  for (std::int32_t index : {0, -1, 3}) {
    const AutomationError outside = CatchError([&] { replies.ItemByIndex(index); });
    EXPECT_EQ(outside.Number(), 9);
    EXPECT_EQ(outside.Description(), ErrorMessages::Current().ErrorText(9));
  }
  EXPECT_EQ(CatchError([&] { replies.Add(nullptr); }).Number(), 91);
}

TEST(CommandReplyCollectionTest, DuplicateIdFailsWith457AndChangesNothing) {
  CommandReplyCollection replies;
  replies.SetMaxIndex(2);
  const auto first = replies.Add(Reply(1));
  replies.Add(Reply(2));
  const AutomationError duplicate = CatchError([&] { replies.Add(Reply(1)); });
  EXPECT_EQ(duplicate.Number(), 457);
  EXPECT_EQ(duplicate.Description(), ErrorMessages::Current().ErrorText(457));
  // The failed Add dropped nothing, though the collection is at its cap.
  EXPECT_EQ(Ids(replies), (std::vector<std::int32_t>{1, 2}));
  EXPECT_EQ(replies.Item(1), first);
}

TEST(CommandReplyCollectionTest, NoReplyCountCountsRecordsStillWaiting) {
  CommandReplyCollection replies;
  replies.Add(Reply(1, true));
  replies.Add(Reply(2));
  const auto third = replies.Add(Reply(3));
  EXPECT_EQ(replies.NoReplyCount(), 2);
  third->Replied = true;  // the collection sees the shared record
  EXPECT_EQ(replies.NoReplyCount(), 1);
}

TEST(CommandReplyCollectionTest, LoweredCapTakesEffectAtTheNextAdd) {
  CommandReplyCollection replies;
  for (std::int32_t id = 1; id <= 10; ++id) replies.Add(Reply(id));
  replies.SetMaxIndex(3);
  EXPECT_EQ(replies.MaxIndex(), 3);
  EXPECT_EQ(replies.Count(), 10);
  replies.Add(Reply(11));
  EXPECT_EQ(Ids(replies), (std::vector<std::int32_t>{9, 10, 11}));
}

TEST(CommandReplyCollectionTest, CapOfZeroOrLessDropsTheNewRecordButReturnsIt) {
  for (std::int32_t cap : {0, -1, std::numeric_limits<std::int32_t>::min()}) {
    SCOPED_TRACE(cap);
    CommandReplyCollection replies;
    replies.Add(Reply(1));
    replies.SetMaxIndex(cap);
    EXPECT_EQ(replies.MaxIndex(), cap);
    const auto reply = Reply(2);
    EXPECT_EQ(replies.Add(reply), reply);
    EXPECT_EQ(replies.Count(), 0);
    EXPECT_NO_THROW(replies.Add(Reply(2)));  // the dropped id is free again
    EXPECT_EQ(replies.Count(), 0);
  }
}

TEST(CommandReplyCollectionTest, RemoveAndRemoveAllNeverFail) {
  CommandReplyCollection replies;
  EXPECT_EQ(replies.Remove(1), nullptr);
  EXPECT_NO_THROW(replies.RemoveAll());
  const auto kept = replies.Add(Reply(1));
  replies.Add(Reply(2));
  replies.Add(Reply(3));
  EXPECT_EQ(replies.Remove(2)->MsgID, 2);
  EXPECT_EQ(replies.Remove(2), nullptr);
  EXPECT_EQ(Ids(replies), (std::vector<std::int32_t>{1, 3}));
  replies.RemoveAll();
  EXPECT_EQ(replies.Count(), 0);
  EXPECT_EQ(kept->MsgID, 1);  // the caller's reference outlives the collection's
  replies.Add(Reply(1));      // and the id is free again
  EXPECT_EQ(replies.Count(), 1);
}

TEST(CommandReplyCollectionTest, CallbackIsCreatableAndLeavesTheRecordAlone) {
  IProtocolHndCallback callback;
  const auto reply = Reply(1);
  callback.CommandProtocolReceived(reply);
  EXPECT_FALSE(reply->Replied);
}

}  // namespace
}  // namespace pelmora
