#include "pelmora/device/ReplyReading.h"

#include <gtest/gtest.h>

#include "CaughtError.h"

namespace pelmora {
namespace {

using R = ReplyReading;

// The number and source of the error an action raised, as "number source"; "none" without one.
template <typename Action>
std::string ErrorFrom(Action&& action) {
  const auto error = CaughtError(action);
  return error ? std::to_string(error->Number()) + " " + error->Source() : "none";
}

TEST(ReplyReadingTest, KeyedCutsAtTheFirstCarriageReturnAndTrimsOnlyTheLastLine) {
  EXPECT_EQ(R::Keyed("Wifi mode = Infrastructure", "Wifi mode ="), "Infrastructure");
  EXPECT_EQ(R::Keyed("Wifi mode = Infrastructure \r\nnext", "Wifi mode ="), " Infrastructure ");
  EXPECT_EQ(R::Keyed("first\r\nWIFI MODE =x  ", "Wifi mode ="), "x");
  EXPECT_EQ(R::Keyed("Channel: 6\r\nChannel: 7", "Channel:"), " 6");
  EXPECT_EQ(R::Keyed("no such line", "Channel:"), "");
  EXPECT_EQ(R::Keyed("Channel:", "Channel:"), "");
  // Only blanks are trimmed: tabs and a line feed without a carriage return stay.
  EXPECT_EQ(R::Keyed("Channel:\t6 \n", "Channel:"), "\t6 \n");
}

TEST(ReplyReadingTest, FirstLineAndWholeReplyTrimOnlyWhatHasNoLineEnd) {
  EXPECT_EQ(R::FirstLine(" cn one \r\ncn two"), " cn one ");
  EXPECT_EQ(R::FirstLine(" cn one "), "cn one");
  EXPECT_EQ(R::FirstLine(""), "");
  EXPECT_EQ(R::WholeReply("  10.1.2.3 "), "10.1.2.3");
  EXPECT_EQ(R::WholeReply("\t10.1.2.3"), "\t10.1.2.3");
}

TEST(ReplyReadingTest, EnumeratedComparesTheLowerCaseValueForEquality) {
  const R::CodedText texts[] = {{"low", 1}, {"ad-hoc (802.11)", 2}, {"low", 3}};
  EXPECT_EQ(R::Enumerated("LoW", texts), 1);
  EXPECT_EQ(R::Enumerated("AD-HOC (802.11)", texts), 2);
  EXPECT_EQ(R::Enumerated(" low", texts), 0);
  EXPECT_EQ(R::Enumerated("lower", texts), 0);
}

TEST(ReplyReadingTest, LeadingWithinChecksTheExactValueBeforeRounding) {
  const std::pair<const char*, std::int32_t> channels[] = {{"6", 6},
                                                           {" 1", 1},
                                                           {"11", 11},
                                                           {"11.0", 11},
                                                           {"6 dBm", 6},
                                                           {"0", 0},
                                                           {"12", 0},
                                                           {"13", 0},
                                                           {"-1", 0},
                                                           {"0.6", 0},
                                                           {"-0.5", 0},
                                                           {"10.5", 10},
                                                           {"10.6", 11},
                                                           {"11.2", 0},
                                                           {"", 0},
                                                           {"abc", 0},
                                                           {"99999999999999999999", 0}};
  for (const auto& [text, channel] : channels) {
    EXPECT_EQ(R::LeadingWithin(text, 1, 11), channel) << text;
  }
}

TEST(ReplyReadingTest, LeadingOneOfAcceptsOnlyWholeNumbersInItsRange) {
  const std::pair<const char*, std::int32_t> keys[] = {{" 3", 3},  {"1", 1},   {"4", 4}, {"3.0", 3},
                                                       {"2.5", 0}, {"1.1", 0}, {"5", 0}, {"0", 0},
                                                       {"-2", 0},  {"", 0}};
  for (const auto& [text, key] : keys) EXPECT_EQ(R::LeadingOneOf(text, 1, 4), key) << text;
}

TEST(ReplyReadingTest, WholeNumbersBeyond32BitsOverflow) {
  EXPECT_EQ(R::LeadingWhole(" 17", "s"), 17);
  EXPECT_EQ(R::LeadingWhole("", "s"), 0);
  EXPECT_EQ(R::LeadingWhole("2147483647", "s"), 2147483647);
  EXPECT_EQ(R::LeadingWhole("-2147483648", "s"), -2147483647 - 1);
  EXPECT_EQ(ErrorFrom([] { R::LeadingWhole("2147483648", "Count"); }), "6 Count");
  EXPECT_EQ(ErrorFrom([] { R::LeadingWhole("-2147483649", "Count"); }), "6 Count");
  EXPECT_EQ(R::StrictWhole(" 65537 ", "s"), 65537);
  EXPECT_EQ(ErrorFrom([] { R::StrictWhole("4294967296", "Exp"); }), "6 Exp");
}

TEST(ReplyReadingTest, StrictNumbersRefuseWordsAndEmptyText) {
  EXPECT_EQ(R::StrictWithin(" 2347 ", 1, 3000, "s"), 2347);
  EXPECT_EQ(R::StrictWithin("1", 1, 3000, "s"), 1);
  EXPECT_EQ(R::StrictWithin("3000", 1, 3000, "s"), 3000);
  EXPECT_EQ(R::StrictWithin("3001", 1, 3000, "s"), 0);
  EXPECT_EQ(R::StrictWithin("0", 1, 3000, "s"), 0);
  EXPECT_EQ(R::StrictWithin("99999999999", 1, 3000, "s"), 0);
  for (const char* word : {"off", "", "2347 bytes", "\t5"}) {
    EXPECT_EQ(ErrorFrom([&] { R::StrictWithin(word, 1, 3000, "Rts"); }), "13 Rts") << word;
  }
  EXPECT_EQ(ErrorFrom([] { R::StrictWhole("x", "Exp"); }), "13 Exp");
}

TEST(ReplyReadingTest, BeforeRemarkCutsAtBlankAndParenthesis) {
  EXPECT_EQ(R::BeforeRemark("65537 (0x10001)", "s"), "65537");
  EXPECT_EQ(R::BeforeRemark("65537", "s"), "65537");
  EXPECT_EQ(R::BeforeRemark("65537(0x10001)", "s"), "65537(0x10001)");
  EXPECT_EQ(R::BeforeRemark(" (x)", "s"), "");
  EXPECT_EQ(ErrorFrom([] { R::BeforeRemark("", "Exp"); }), "9 Exp");
}

TEST(ReplyReadingTest, AddressCheckWantsFourWholePartsBelowItsLimit) {
  const std::pair<const char*, bool> withoutMaximum[] = {{"10.1.2.3", true},
                                                         {" 10.1.2.3  ", true},
                                                         {"010.001.2.3", true},
                                                         {"0.0.0.0", true},
                                                         {"254.254.254.254", true},
                                                         {"+1. 2 .3.4", true},
                                                         {"10.1.2.255", false},
                                                         {"255.1.2.3", false},
                                                         {"10.1.2", false},
                                                         {"10.1.2.3.4", false},
                                                         {"10..2.3", false},
                                                         {"10.1.2.", false},
                                                         {"", false},
                                                         {"   ", false},
                                                         {"10.a.2.3", false},
                                                         {"10.-1.2.3", false},
                                                         {"10.1.2.3\r", false},
                                                         {"10.1.2.3\n", false},
                                                         {"\t10.1.2.3", false},
                                                         {"10.1 2.3.4", false},
                                                         {"4294967306.1.2.3", false}};
  for (const auto& [text, valid] : withoutMaximum) {
    EXPECT_EQ(R::IsValidIpAddress(text, false), valid) << text;
  }
  EXPECT_TRUE(R::IsValidIpAddress("255.255.255.255", true));
  EXPECT_FALSE(R::IsValidIpAddress("255.255.256.0", true));
  EXPECT_FALSE(R::IsValidIpAddress("255.255.255", true));
}

}  // namespace
}  // namespace pelmora
