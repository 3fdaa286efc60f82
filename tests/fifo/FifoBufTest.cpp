#include "pelmora/fifo/FifoBuf.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <string>

#include "pelmora/platform/AutomationError.h"
#include "pelmora/platform/ErrorMessages.h"
#include "support/ExpectError.h"

namespace pelmora {
namespace {

constexpr std::int32_t kMin32 = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax32 = std::numeric_limits<std::int32_t>::max();

FifoBuf Holding(std::string_view text) {
  FifoBuf buf;
  buf.Add(text);
  return buf;
}

std::string Content(const FifoBuf& buf) {
  return TextBytes::ToText(buf.Buffer());
}

using testing::CatchError;

TEST(FifoBufTest, EmptyBufferFindsNothingAndHasNoBytes) {
  FifoBuf buf;
  EXPECT_EQ(buf.Count(), 0);
  EXPECT_EQ(buf.FindByte(1, 'a'), 0);
  EXPECT_EQ(buf.FindByteRev(1, 'a'), 0);
  EXPECT_EQ(buf.FindStr(1, "a"), 0);
  EXPECT_EQ(buf.FindStrRev(1, "a"), 0);
  EXPECT_EQ(buf.Peek(0), -1);
  EXPECT_TRUE(buf.Buffer().empty());
  std::int32_t length = 0;
  EXPECT_EQ(CatchError([&] { buf.MidStr(1, length); }).Number(), 101);
}

TEST(FifoBufTest, ForwardSearchesStartAtStartPosAndNeedTheWholePatternToFit) {
  const FifoBuf buf = Holding("abcabc");
  EXPECT_EQ(buf.FindStr(1, "bc"), 2);
  EXPECT_EQ(buf.FindStr(3, "bc"), 5);
  EXPECT_EQ(buf.FindStr(6, "bc"), 0);
  EXPECT_EQ(buf.FindStr(1, "abcabc"), 1);
  EXPECT_EQ(buf.FindStr(1, "abcabca"), 0);
  EXPECT_EQ(buf.FindStr(1, ""), 0);
  EXPECT_EQ(buf.FindByteArray(1, ByteArray{}), 0);
  EXPECT_EQ(buf.FindByteArray(2, ByteArray{'c', 'a'}), 3);
  EXPECT_EQ(buf.FindByteRev(1, 'c'), 6);
  EXPECT_EQ(buf.FindByteRev(1, 'c', 2), 0);  // the window is positions 1 to 2
  EXPECT_EQ(buf.FindByteRev(4, 'a'), 4);     // the low end of the window is still StartPos
  EXPECT_EQ(buf.FindByteRev(5, 'a'), 0);
}

TEST(FifoBufTest, RangeShortensTheWindowOnlyWhenItEndsStrictlyBeforeTheLastFit) {
  const FifoBuf buf = Holding("abcdef");
  EXPECT_EQ(buf.FindByte(1, 'e', 3), 0);
  EXPECT_EQ(buf.FindByte(1, 'f', 4), 0);
  EXPECT_EQ(buf.FindByte(2, 'f', 4), 6);  // s + R = 5 = n - 1: the window runs to the end
  EXPECT_EQ(buf.FindByteRev(2, 'f', 4), 6);
  EXPECT_EQ(buf.FindByteRev(2, 'e', 3), 0);
  EXPECT_EQ(buf.FindByteRev(2, 'd', 3), 4);
  // Two-byte pattern: the last start index that fits is n - m = 4.
  EXPECT_EQ(buf.FindStr(1, "de", 3), 0);
  EXPECT_EQ(buf.FindStr(1, "cd", 3), 3);
  EXPECT_EQ(buf.FindStr(1, "ef", 4), 5);  // s + R = 4 = n - m: runs to the end
  EXPECT_EQ(buf.FindStr(1, "ef", 3), 0);
  EXPECT_EQ(buf.FindByteArray(2, ByteArray{'e', 'f'}, 3), 5);
  // A Range of 0 or less means no limit.
  EXPECT_EQ(buf.FindByte(1, 'f', 0), 6);
  EXPECT_EQ(buf.FindByte(1, 'f', -3), 6);
}

TEST(FifoBufTest, FindStrRevGivesTheLastBytePositionAndIgnoresRange) {
  const FifoBuf buf = Holding("abcabc");
  for (std::int32_t range : {kMin32, -1, 0, 1, 2, 6, kMax32}) {
    SCOPED_TRACE(range);
    EXPECT_EQ(buf.FindStrRev(6, "bc", range), 6);
    EXPECT_EQ(buf.FindStrRev(5, "bc", range), 3);
    EXPECT_EQ(buf.FindStrRev(1, "ab", range), 0);
    EXPECT_EQ(buf.FindStrRev(2, "ab", range), 2);
    EXPECT_EQ(buf.FindStrRev(6, "abcabc", range), 6);
    EXPECT_EQ(buf.FindStrRev(7, "bc", range), 0);
    EXPECT_EQ(buf.FindStrRev(0, "bc", range), 0);
    EXPECT_EQ(buf.FindStrRev(6, "", range), 0);
  }
  // A candidate whose last byte matches but whose earlier bytes do not is passed over.
  EXPECT_EQ(Holding("abcxc").FindStrRev(5, "bc"), 3);
}

TEST(FifoBufTest, MidCopiesWithoutConsumingAndWritesLengthBack) {
  const FifoBuf buf = Holding("abcdef");
  std::int32_t length = 0;
  EXPECT_EQ(buf.MidStr(2, length), "bcdef");
  EXPECT_EQ(length, 5);
  length = 10;
  EXPECT_EQ(buf.MidStr(5, length), "ef");
  EXPECT_EQ(length, 2);
  length = 3;
  EXPECT_EQ(buf.MidStr(2, length), "bcd");
  EXPECT_EQ(length, 3);
  length = kMax32;  // Start + Length beyond 32 bits
  EXPECT_EQ(buf.MidByteArray(6, length), ByteArray{'f'});
  EXPECT_EQ(length, 1);
  length = 0;
  EXPECT_EQ(buf.MidByteArray(1, length), (ByteArray{'a', 'b', 'c', 'd', 'e', 'f'}));
  EXPECT_EQ(length, 6);
  EXPECT_EQ(Content(buf), "abcdef");
}

TEST(FifoBufTest, MidOutsideTheBytesFailsWith101AndNegativeLengthWith5) {
  const FifoBuf buf = Holding("abcdef");
  for (std::int32_t start : {0, 7, kMin32, kMax32}) {
    SCOPED_TRACE(start);
    std::int32_t length = 1;
    const AutomationError str = CatchError([&] { buf.MidStr(start, length); });
    EXPECT_EQ(str.Number(), 101);
    EXPECT_EQ(str.Source(), "FifoBuf: MidStr");
    EXPECT_EQ(str.Description(), ErrorMessages::Current().ErrorText(101));
    const AutomationError bytes = CatchError([&] { buf.MidByteArray(start, length); });
    EXPECT_EQ(bytes.Number(), 101);
    EXPECT_EQ(bytes.Source(), "FifoBuf: MidStr");
    EXPECT_EQ(length, 1);
  }
  for (std::int32_t negative : {-1, kMin32}) {
    std::int32_t length = negative;
    const AutomationError str = CatchError([&] { buf.MidStr(2, length); });
    EXPECT_EQ(str.Number(), 5);
    EXPECT_EQ(str.Source(), "FifoBuf: MidStr");
    EXPECT_EQ(CatchError([&] { buf.MidByteArray(2, length); }).Number(), 5);
    EXPECT_EQ(length, negative);
  }
}

TEST(FifoBufTest, MoveTakesFromTheSourceFrontAndWritesLengthBack) {
  struct Case {
    std::int32_t length;
    std::string moved;
    std::string left;
    std::int32_t writtenBack;
  };
  for (const Case& c : {Case{0, "xyz", "", 3}, Case{2, "xy", "z", 2}, Case{10, "xyz", "", 3},
                        Case{-5, "xyz", "", 3}, Case{kMin32, "xyz", "", 3}}) {
    SCOPED_TRACE(c.length);
    FifoBuf target = Holding("ab");
    FifoBuf source = Holding("xyz");
    std::int32_t length = c.length;
    target.Move(source, length);
    EXPECT_EQ(Content(target), "ab" + c.moved);
    EXPECT_EQ(Content(source), c.left);
    EXPECT_EQ(length, c.writtenBack);
  }
  FifoBuf target = Holding("ab");
  FifoBuf empty;
  std::int32_t length = 4;
  target.Move(empty, length);
  EXPECT_EQ(length, 0);
  EXPECT_EQ(Content(target), "ab");
  // Moving within one buffer carries its front to its back.
  FifoBuf self = Holding("abcde");
  length = 2;
  self.Move(self, length);
  EXPECT_EQ(Content(self), "cdeab");
}

TEST(FifoBufTest, PeekAndPokeIgnoreIndicesOutsideTheBytes) {
  FifoBuf buf = Holding("abcdef");
  buf.Poke(0, 256);
  buf.Poke(0, -1);
  buf.Poke(6, 'x');
  buf.Poke(-1, 'x');
  buf.Poke(kMin32, 'x');
  EXPECT_EQ(Content(buf), "abcdef");
  EXPECT_EQ(buf.Peek(-1), -1);
  EXPECT_EQ(buf.Peek(6), -1);
  EXPECT_EQ(buf.Peek(kMax32), -1);
  buf.Poke(5, 255);
  buf.Poke(0, 0);
  EXPECT_EQ(buf.Peek(5), 255);  // high bytes read as 0..255, never as a negative char
  EXPECT_EQ(buf.Peek(0), 0);
  EXPECT_EQ(buf.FindByte(1, 0xFF), 6);
  EXPECT_EQ(buf.FindStr(1, "\xff"), 6);
}

TEST(FifoBufTest, RemoveDropsFromTheFrontAndEmptiesOnCountOrMore) {
  FifoBuf buf = Holding("abcdef");
  buf.Add(ByteArray{});
  buf.Remove(0);
  EXPECT_EQ(Content(buf), "abcdef");
  buf.Remove(2);
  EXPECT_EQ(Content(buf), "cdef");
  EXPECT_EQ(buf.FindByte(1, 'c'), 1);
  buf.Remove(4);
  EXPECT_EQ(buf.Count(), 0);
  EXPECT_TRUE(buf.Buffer().empty());
  buf.Add("gh");
  buf.Remove(kMax32);
  EXPECT_EQ(buf.Count(), 0);
  EXPECT_EQ(buf.Peek(0), -1);
  buf.Add(ByteArray{'i'});
  EXPECT_EQ(Content(buf), "i");
}

TEST(FifoBufTest, StartPosTakesNumbersAndNumericTextOnly) {
  const FifoBuf buf = Holding("abcabc");
  EXPECT_EQ(buf.FindStr("3", "bc"), 5);
  EXPECT_EQ(buf.FindStr(" 4 ", "bc"), 5);
  EXPECT_EQ(buf.FindStr(Variant(), "bc"), 0);
  const AutomationError error = CatchError([&] { buf.FindByte("abc", 'a'); });
  EXPECT_EQ(error.Number(), 13);
  EXPECT_EQ(CatchError([&] { buf.FindStrRev("", "a"); }).Number(), 13);
  EXPECT_EQ(CatchError([&] { FifoBuf().FindStr("x1", "a"); }).Number(), 13);
}

TEST(FifoBufTest, ExtremePositionsAndRangesFindNothingOrEverythingWithoutOverflow) {
  const FifoBuf buf = Holding("abcabc");
  const std::int64_t huge = std::int64_t{1} << 40;
  for (const Variant& start :
       {Variant(huge), Variant(-huge), Variant(std::numeric_limits<std::int64_t>::max()),
        Variant(std::numeric_limits<std::int64_t>::min()), Variant(kMax32), Variant(kMin32),
        Variant("99999999999999999999999999"), Variant("-99999999999999999999999999")}) {
    EXPECT_EQ(buf.FindByte(start, 'a', kMax32), 0);
    EXPECT_EQ(buf.FindByteRev(start, 'a', kMin32), 0);
    EXPECT_EQ(buf.FindStr(start, "a", kMax32), 0);
    EXPECT_EQ(buf.FindStrRev(start, "a", kMax32), 0);
  }
  for (std::int32_t range : {kMax32, kMin32, kMax32 - 1}) {
    EXPECT_EQ(buf.FindByte(1, 'c', range), 3);
    EXPECT_EQ(buf.FindByteRev(6, 'c', range), 6);
    EXPECT_EQ(buf.FindStr(4, "bc", range), 5);
  }
}

// Positions straight from the window rules, one comparison at a time, to hold the block
// searches against.
std::int32_t RuleFind(const std::string& s, std::int64_t pos, const std::string& p,
                      std::int32_t range, bool reverse) {
  const std::int64_t n = s.size(), m = p.size(), start = pos - 1;
  if (n == 0 || m == 0) return 0;
  std::int64_t last = (range > 0 && start + range < n - m) ? start + range - 1 : n - m;
  if (pos < 1 || start > last) return 0;
  for (std::int64_t k = 0; k <= last - start; ++k) {
    const std::int64_t i = reverse ? last - k : start + k;
    if (s.compare(i, m, p) == 0) return static_cast<std::int32_t>(i + 1);
  }
  return 0;
}

std::int32_t RuleFindRev(const std::string& s, std::int64_t pos, const std::string& p) {
  const std::int64_t n = s.size(), m = p.size();
  if (n == 0 || m == 0 || pos < 1 || pos > n) return 0;
  for (std::int64_t e = pos - 1; e >= m - 1; --e) {
    if (s.compare(e - m + 1, m, p) == 0) return static_cast<std::int32_t>(e + 1);
  }
  return 0;
}

TEST(FifoBufTest, BlockSearchesAgreeWithTheWindowRulesOnRandomContent) {
  std::mt19937 random(20240601);
  auto text = [&](int maxLength) {
    std::string t(random() % (maxLength + 1), 'a');
    for (char& c : t) c = static_cast<char>('a' + random() % 2);
    return t;
  };
  for (int round = 0; round < 3000; ++round) {
    const std::string content = text(9);
    const std::string pattern = text(3);
    const FifoBuf buf = Holding(content);
    const std::int64_t pos = static_cast<std::int64_t>(random() % 13) - 2;
    const auto range = static_cast<std::int32_t>(random() % 13) - 2;
    SCOPED_TRACE(content + " / " + pattern + " @" + std::to_string(pos) + " R" +
                 std::to_string(range));
    EXPECT_EQ(buf.FindStr(pos, pattern, range), RuleFind(content, pos, pattern, range, false));
    EXPECT_EQ(buf.FindStrRev(pos, pattern, range), RuleFindRev(content, pos, pattern));
    EXPECT_EQ(buf.FindByte(pos, 'b', range), RuleFind(content, pos, "b", range, false));
    EXPECT_EQ(buf.FindByteRev(pos, 'b', range), RuleFind(content, pos, "b", range, true));
  }
}

}  // namespace
}  // namespace pelmora
