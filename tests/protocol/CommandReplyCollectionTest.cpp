#include "pelmora/protocol/CommandReplyCollection.h"

#include <gtest/gtest.h>

#include <limits>

#include "protocol/ProtocolHarness.h"

namespace pelmora {
namespace {

using testing::CatchError;

std::shared_ptr<CommandReply> Reply(std::int32_t id) {
  auto reply = std::make_shared<CommandReply>();
  reply->MsgID = id;
  return reply;
}

std::vector<std::int32_t> Ids(const CommandReplyCollection& replies) {
  std::vector<std::int32_t> ids;
  for (const auto& reply : replies.NewEnum()) ids.push_back(reply->MsgID);
  return ids;
}

TEST(CommandReplyCollectionTest, CapDropsTheOldestFromTheNextAddAndRecordsStayUnderTheirFirstKey) {
  CommandReplyCollection replies;
  for (std::int32_t id = 1; id <= 12; ++id) replies.Add(Reply(id));
  EXPECT_EQ(Ids(replies), (std::vector<std::int32_t>{3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
  EXPECT_EQ(replies.ItemByIndex(1)->MsgID, 3);
  EXPECT_EQ(CatchError([&] { replies.Item(2); }).Number(), 5);
  replies.Item(12)->Replied = true;  // the collection counts through the shared records
  EXPECT_EQ(replies.NoReplyCount(), 9);

  EXPECT_EQ(CommandReplyCollection::KeyOf(7), "ID7");
  const auto seven = replies.Item(7);
  seven->MsgID = 99;  // the key stays "ID7"
  EXPECT_EQ(replies.Item(7), seven);
  EXPECT_EQ(replies.Remove(99), nullptr);

  // A lowered cap takes effect at the next Add; a negative one acts as zero.
  replies.SetMaxIndex(3);
  EXPECT_EQ(replies.Count(), 10);
  replies.Add(Reply(13));
  EXPECT_EQ(Ids(replies), (std::vector<std::int32_t>{11, 12, 13}));
  for (std::int32_t cap : {0, -1, std::numeric_limits<std::int32_t>::min()}) {
    SCOPED_TRACE(cap);
    replies.SetMaxIndex(cap);
    const auto reply = Reply(20);
    EXPECT_EQ(replies.Add(reply), reply);  // returned though dropped at once
    EXPECT_EQ(replies.Count(), 0);
  }
}

TEST(CommandReplyCollectionTest, FailuresCarryTheirNumbersAndChangeNothingAndRemovesNeverFail) {
  CommandReplyCollection replies;
  replies.SetMaxIndex(2);
  const auto first = replies.Add(Reply(1));
  replies.Add(Reply(2));
  EXPECT_EQ(testing::ErrorOf([&] { replies.Item(3); }), "5 CommandReplyCollection.Item");
  for (std::int32_t index : {0, 3})
    EXPECT_EQ(CatchError([&] { replies.ItemByIndex(index); }).Number(), 9);
  EXPECT_EQ(CatchError([&] { replies.Add(nullptr); }).Number(), 91);
  EXPECT_EQ(CatchError([&] { replies.Add(Reply(1)); }).Number(), 457);
  // The failed Add dropped nothing, though the collection is at its cap.
  EXPECT_EQ(Ids(replies), (std::vector<std::int32_t>{1, 2}));
  EXPECT_EQ(replies.Item(1), first);

  // Remove and RemoveAll never fail.
  EXPECT_EQ(replies.Remove(3), nullptr);
  EXPECT_EQ(replies.Remove(2)->MsgID, 2);
  EXPECT_EQ(replies.Remove(2), nullptr);
  EXPECT_EQ(Ids(replies), (std::vector<std::int32_t>{1}));
  replies.RemoveAll();
  EXPECT_EQ(replies.Count(), 0);
  EXPECT_NO_THROW(replies.RemoveAll());
  EXPECT_NO_THROW(replies.Add(Reply(1)));  // the id is free again
}

}  // namespace
}  // namespace pelmora
