#include "pelmora/platform/NumberText.h"

#include <gtest/gtest.h>

#include "pelmora/platform/AutomationError.h"
#include "pelmora/platform/Variant.h"

namespace pelmora {
namespace {

TEST(NumberTextTest, LeadingSkipsBlanksAnywhereAndStopsAtOtherCharacters) {
  EXPECT_EQ(NumberText::Leading("  17 bytes"), 17);
  EXPECT_EQ(NumberText::Leading("1 2 3x4"), 123);
  EXPECT_EQ(NumberText::Leading("- 5"), -5);
  EXPECT_EQ(NumberText::Leading("abc"), 0);
  EXPECT_EQ(NumberText::Leading(""), 0);
  EXPECT_EQ(NumberText::Leading("0x10"), 0);
  EXPECT_EQ(NumberText::Leading("1e3"), 1);
  EXPECT_EQ(NumberText::Leading("\t5"), 0);
}

TEST(NumberTextTest, HalvesRoundToTheEvenNeighbour) {
  EXPECT_EQ(NumberText::Leading("2.5"), 2);
  EXPECT_EQ(NumberText::Leading("3.5"), 4);
  EXPECT_EQ(NumberText::Leading("2.51"), 3);
  EXPECT_EQ(NumberText::Leading("-2.5"), -2);
  EXPECT_EQ(NumberText::Leading("-3.5"), -4);
  EXPECT_EQ(NumberText::Leading("0.4999"), 0);
  EXPECT_EQ(NumberText::Strict(".5"), 0);
  EXPECT_EQ(NumberText::Strict("1.5"), 2);
}

TEST(NumberTextTest, StrictAllowsOnlyBlanksAroundTheNumber) {
  EXPECT_EQ(NumberText::Strict(" 2347 "), 2347);
  EXPECT_EQ(NumberText::Strict("+7"), 7);
  EXPECT_EQ(NumberText::Strict("5."), 5);
  EXPECT_FALSE(NumberText::Strict(""));
  EXPECT_FALSE(NumberText::Strict("   "));
  EXPECT_FALSE(NumberText::Strict("off"));
  EXPECT_FALSE(NumberText::Strict("2347 bytes"));
  EXPECT_FALSE(NumberText::Strict("1 2"));
  EXPECT_FALSE(NumberText::Strict("\t5"));
  EXPECT_FALSE(NumberText::Strict("-"));
  EXPECT_FALSE(NumberText::Strict("."));
}

TEST(NumberTextTest, HugeValuesSaturateOutsideThe32BitRange) {
  EXPECT_TRUE(NumberText::FitsInt32(*NumberText::Strict("2147483647")));
  EXPECT_FALSE(NumberText::FitsInt32(*NumberText::Strict("2147483648")));
  EXPECT_TRUE(NumberText::FitsInt32(*NumberText::Strict("-2147483648")));
  EXPECT_FALSE(NumberText::FitsInt32(NumberText::Leading("99999999999999999999999999999")));
  EXPECT_FALSE(NumberText::FitsInt32(NumberText::Leading("-99999999999999999999999999999")));
}

TEST(VariantTest, StartPosForms) {
  EXPECT_EQ(Variant().ToWholeNumber("s"), 0);
  EXPECT_EQ(Variant(12).ToWholeNumber("s"), 12);
  EXPECT_EQ(Variant(" 3 ").ToWholeNumber("s"), 3);
  try {
    (void)Variant("three").ToWholeNumber("FifoBuf: FindStr");
    FAIL() << "a text that is no number must fail";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.Number(), 13);
    EXPECT_EQ(e.Source(), "FifoBuf: FindStr");
    EXPECT_EQ(e.Description(), "Type mismatch");
  }
}

}  // namespace
}  // namespace pelmora
