#include "pelmora/device/ReplyReading.h"

#include <gtest/gtest.h>

#include "support/ExpectError.h"

namespace pelmora {
namespace {

using R = ReplyReading;

TEST(ReplyReadingTest, LinesAreCutAtTheFirstCarriageReturnAndTrimmedOnlyWhenLastWordsMatchWhole) {
  EXPECT_EQ(R::Keyed("Wifi mode = Infrastructure \r\nnext", "Wifi mode ="), " Infrastructure ");
  EXPECT_EQ(R::Keyed("first\r\nWIFI MODE =x  ", "Wifi mode ="), "x");
  EXPECT_EQ(R::Keyed("Channel: 6\r\nChannel: 7", "Channel:"), " 6");
  EXPECT_EQ(R::Keyed("no such line", "Channel:"), "");
  // Only blanks are trimmed: tabs and a line feed without a carriage return stay.
  EXPECT_EQ(R::Keyed("Channel:\t6 \n", "Channel:"), "\t6 \n");
  EXPECT_EQ(R::FirstLine(" cn one \r\ncn two"), " cn one ");
  EXPECT_EQ(R::FirstLine(" cn one "), "cn one");
  EXPECT_EQ(R::WholeReply("  10.1.2.3 "), "10.1.2.3");
  // An enumerated value must equal its lower-case text.
  const R::CodedText texts[] = {{"low", 1}};
  EXPECT_EQ(R::Enumerated(" low", texts), 0);
  EXPECT_EQ(R::Enumerated("lower", texts), 0);
}

// The number grammar itself is NumberText's, and the settings table has a member's word that is
// no number. Here: the ranges and limits each conversion applies, and its errors.
TEST(ReplyReadingTest, LeadingNumbersInARangeCheckTheExactValueBeforeRounding) {
  for (const auto& [text, channel] : std::initializer_list<std::pair<const char*, std::int32_t>>{
           {"1", 1}, {"11.0", 11}, {"6 dBm", 6}, {"10.5", 10}, {"10.6", 11}}) {
    EXPECT_EQ(R::LeadingWithin(text, 1, 11), channel) << text;
  }
  for (const char* outside : {"0", "-1", "0.6", "11.2"})
    EXPECT_EQ(R::LeadingWithin(outside, 1, 11), 0) << outside;
  for (const auto& [text, key] : std::initializer_list<std::pair<const char*, std::int32_t>>{
           {" 3", 3}, {"4.0", 4}, {"2.5", 0}, {"1.1", 0}, {"0", 0}}) {
    EXPECT_EQ(R::LeadingOneOf(text, 1, 4), key) << text;
  }
}

TEST(ReplyReadingTest, WholeNumbersHaveThe32BitRangeAndStrictOnesTheirBoundsAndNoRemark) {
  EXPECT_EQ(R::LeadingWhole("2147483647", "s"), 2147483647);
  EXPECT_EQ(R::LeadingWhole("-2147483648", "s"), -2147483647 - 1);
  EXPECT_EQ(testing::ErrorOf([] { R::LeadingWhole("-2147483649", "Count"); }), "6 Count");
  EXPECT_EQ(R::StrictWhole(" 65537 ", "s"), 65537);
  EXPECT_EQ(testing::ErrorOf([] { R::StrictWhole("4294967296", "Exp"); }), "6 Exp");
  EXPECT_EQ(R::StrictWithin("3000", 1, 3000, "s"), 3000);
  EXPECT_EQ(R::StrictWithin("0", 1, 3000, "s"), 0);
  // A remark behind the number goes only when a blank precedes its parenthesis.
  EXPECT_EQ(R::BeforeRemark("65537 (0x10001)", "s"), "65537");
  EXPECT_EQ(R::BeforeRemark("65537(0x10001)", "s"), "65537(0x10001)");
  EXPECT_EQ(R::BeforeRemark(" (x)", "s"), "");
  EXPECT_EQ(testing::ErrorOf([] { R::BeforeRemark("", "Exp"); }), "9 Exp");
}

TEST(ReplyReadingTest, AddressCheckWantsFourWholePartsBelowItsLimit) {
  for (const char* valid : {" 10.1.2.3  ", "010.001.2.3", "254.0.0.0"})
    EXPECT_TRUE(R::IsValidIpAddress(valid, false)) << valid;
  for (const char* invalid :
       {"10.1.2.3.4", "10..2.3", "", "10.a.2.3", "10.-1.2.3", "\t10.1.2.3", "4294967306.1.2.3"})
    EXPECT_FALSE(R::IsValidIpAddress(invalid, false)) << invalid;
  EXPECT_TRUE(R::IsValidIpAddress("255.255.255.255", true));
}

}  // namespace
}  // namespace pelmora
