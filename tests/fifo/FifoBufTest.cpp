#include "pelmora/fifo/FifoBuf.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include "support/ExpectError.h"

namespace pelmora {
namespace {

using testing::CatchError;

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

// The window of start indices runs from StartPos to the last index where the whole pattern fits;
// a positive Range shortens it only when s + Range ends strictly before that last index.
TEST(FifoBufTest, SearchWindowsFollowStartPosRangeAndThePatternFit) {
  const FifoBuf abc = Holding("abcabc");
  // The low end of the window is still StartPos for the reverse search.
  EXPECT_EQ((std::vector{abc.FindStr(3, "bc"), abc.FindStr(1, "abcabca"), abc.FindStr(1, ""),
                         abc.FindByteArray(1, ByteArray{}), abc.FindByteRev(5, 'a')}),
            (std::vector{5, 0, 0, 0, 0}));
  const FifoBuf buf = Holding("abcdef");
  // Rows: s + R = n - 1, where the window runs to the end; a Range of 0 or less, which means no
  // limit; a match that runs past the window's last start; s + R = n - m.
  EXPECT_EQ((std::vector{buf.FindByte(1, 'f', 4), buf.FindByte(2, 'f', 4), buf.FindByte(1, 'f', -3),
                         buf.FindByteRev(2, 'd', 3), buf.FindByteRev(2, 'e', 3),
                         buf.FindByteRev(2, 'f', 4), buf.FindStr(1, "cd", 3),
                         buf.FindByteArray(1, ByteArray{'e', 'f'}, 3), buf.FindStr(1, "ef", 4),
                         buf.FindByteArray(2, ByteArray{'e', 'f'}, 3)}),
            (std::vector{0, 6, 6, 4, 0, 6, 3, 0, 5, 5}));
}

// Every search checks the count before it looks at StartPos: a text StartPos that is no number
// finds nothing in an empty buffer instead of failing with 13.
TEST(FifoBufTest, EmptyBufferFindsNothingWhateverStartPosAndAnEmptyAddKeepsIt) {
  FifoBuf empty;
  empty.Add(ByteArray{});
  EXPECT_EQ(empty.Count(), 0);
  EXPECT_EQ(empty.Peek(0), -1);
  for (const Variant& start : {Variant(1), Variant("not a number")}) {
    EXPECT_EQ((std::vector{empty.FindByte(start, 'a'), empty.FindByteRev(start, 'a'),
                           empty.FindByteArray(start, ByteArray{'a'}), empty.FindStr(start, "a"),
                           empty.FindStrRev(start, "a")}),
              std::vector<std::int32_t>(5, 0));
  }
  FifoBuf buf = Holding("ab");
  buf.Add(ByteArray{});
  EXPECT_EQ(Content(buf), "ab");
}

TEST(FifoBufTest, FindStrRevGivesTheLastBytePositionAndIgnoresRange) {
  const FifoBuf buf = Holding("abcabc");
  for (std::int32_t range : {kMin32, 0, 2, kMax32}) {
    SCOPED_TRACE(range);
    EXPECT_EQ((std::vector{buf.FindStrRev(6, "bc", range), buf.FindStrRev(5, "bc", range),
                           buf.FindStrRev(1, "ab", range), buf.FindStrRev(7, "bc", range),
                           buf.FindStrRev(6, "", range)}),
              (std::vector{6, 3, 0, 0, 0}));
  }
  // A candidate whose last byte matches but whose earlier bytes do not is passed over.
  EXPECT_EQ(Holding("abcxc").FindStrRev(5, "bc"), 3);
}

TEST(FifoBufTest, MidCopiesWithoutConsumingWritesLengthBackAndRefusesOutsideTheBytes) {
  const FifoBuf buf = Holding("abcdef");
  for (const auto& [start, length, copied, writtenBack] : {std::tuple{2, 0, "bcdef", 5},
                                                           {5, 10, "ef", 2},
                                                           {2, 3, "bcd", 3},
                                                           {2, 4, "bcde", 4},
                                                           {6, kMax32, "f", 1}}) {
    std::int32_t strLength = length, bytesLength = length;
    EXPECT_EQ(buf.MidStr(start, strLength), copied);
    EXPECT_EQ(TextBytes::ToText(buf.MidByteArray(start, bytesLength)), copied);
    EXPECT_EQ((std::pair{strLength, bytesLength}), (std::pair{writtenBack, writtenBack}));
  }
  EXPECT_EQ(Content(buf), "abcdef");

  // Outside the bytes: 101; a negative length: 5, and the length is left as it was.
  std::int32_t length = 1;
  for (std::int32_t start : {0, 7, kMin32}) {
    EXPECT_EQ(testing::ErrorOf([&] { buf.MidStr(start, length); }), "101 FifoBuf: MidStr");
    EXPECT_EQ(CatchError([&] { buf.MidByteArray(start, length); }).Source(), "FifoBuf: MidStr");
  }
  EXPECT_EQ(CatchError([&] { FifoBuf().MidStr(1, length); }).Number(), 101);
  for (std::int32_t negative : {-1, kMin32}) {
    length = negative;
    EXPECT_EQ(CatchError([&] { buf.MidStr(2, length); }).Number(), 5);
    EXPECT_EQ(CatchError([&] { buf.MidByteArray(2, length); }).Number(), 5);
    EXPECT_EQ(length, negative);
  }
}

TEST(FifoBufTest, MoveTakesFromTheSourceFrontAndWritesLengthBack) {
  for (const auto& [wanted, moved, left, writtenBack] : {std::tuple{0, "xyz", "", 3},
                                                         {2, "xy", "z", 2},
                                                         {10, "xyz", "", 3},
                                                         {kMin32, "xyz", "", 3}}) {
    FifoBuf target = Holding("ab");
    FifoBuf source = Holding("xyz");
    std::int32_t length = wanted;
    target.Move(source, length);
    EXPECT_EQ(Content(target), std::string("ab") + moved);
    EXPECT_EQ(Content(source), left);
    EXPECT_EQ(length, writtenBack);
  }
  FifoBuf self = Holding("abcde");
  FifoBuf empty;
  std::int32_t length = 4;
  self.Move(empty, length);
  EXPECT_EQ(length, 0);
  length = 2;
  self.Move(self, length);  // within one buffer the front goes to the back
  EXPECT_EQ(Content(self), "cdeab");
}

TEST(FifoBufTest, PeekAndPokeIgnoreIndicesOutsideTheBytesAndRemoveDropsTheFront) {
  FifoBuf buf = Holding("abcdef");
  for (const auto& [index, value] : {std::pair{0, 256}, {0, -1}, {6, 'x'}, {kMin32, 'x'}})
    buf.Poke(index, value);
  EXPECT_EQ(Content(buf), "abcdef");
  EXPECT_EQ((std::pair{buf.Peek(-1), buf.Peek(6)}), (std::pair{-1, -1}));
  buf.Poke(5, 255);
  EXPECT_EQ(buf.Peek(5), 255);  // high bytes read as 0..255, never as a negative char
  EXPECT_EQ(buf.FindStr(1, "\xff"), 6);

  buf.Remove(0);
  buf.Remove(2);
  EXPECT_EQ(Content(buf), "cde\xff");
  EXPECT_EQ(buf.FindByte(1, 'c'), 1);
  buf.Remove(4);
  EXPECT_EQ(buf.Count(), 0);
  buf.Add("gh");
  buf.Remove(kMax32);
  EXPECT_EQ(buf.Peek(0), -1);
  buf.Add(ByteArray{'i'});
  EXPECT_EQ(Content(buf), "i");
}

TEST(FifoBufTest, StartPosTakesNumericTextAndExtremesFindNothingWithoutOverflow) {
  const FifoBuf buf = Holding("abcabc");
  EXPECT_EQ(buf.FindStr(" 4 ", "bc"), 5);
  EXPECT_EQ(buf.FindStr(Variant(), "bc"), 0);
  EXPECT_EQ(CatchError([&] { buf.FindByte("abc", 'a'); }).Number(), 13);
  EXPECT_EQ(CatchError([&] { buf.FindStrRev("", "a"); }).Source(), "FifoBuf: FindStrRev");
  for (const Variant& start : {Variant(std::int64_t{1} << 40), Variant(kMax32),
                               Variant(std::numeric_limits<std::int64_t>::min()),
                               Variant("-99999999999999999999999999")}) {
    EXPECT_EQ((std::vector{buf.FindByte(start, 'a', kMax32), buf.FindByteRev(start, 'a', kMin32),
                           buf.FindStr(start, "a", kMax32), buf.FindStrRev(start, "a", kMax32)}),
              std::vector<std::int32_t>(4, 0));
  }
  for (std::int32_t range : {kMax32, kMin32, kMax32 - 1}) {
    EXPECT_EQ((std::vector{buf.FindByte(2, 'c', range), buf.FindByteRev(6, 'c', range),
                           buf.FindStr(4, "bc", range)}),
              (std::vector{3, 6, 5}));
  }
}

}  // namespace
}  // namespace pelmora
