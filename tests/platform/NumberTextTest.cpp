#include "pelmora/platform/NumberText.h"

#include <gtest/gtest.h>

namespace pelmora {
namespace {

using Row = std::pair<const char*, std::int64_t>;

// Leading skips blanks anywhere, stops at other characters, rounds halves to the even neighbour
// and saturates a long digit run instead of overflowing.
TEST(NumberTextTest, LeadingSkipsBlanksStopsAtOtherCharactersAndRoundsHalvesToEven) {
  for (const auto& [text, value] : {Row{"  17 bytes", 17},
                                    {"1 2 3x4", 123},
                                    {"- 5", -5},
                                    {"abc", 0},
                                    {"", 0},
                                    {"0x10", 0},
                                    {"1e3", 1},
                                    {"\t5", 0},
                                    {"2.5", 2},
                                    {"3.5", 4},
                                    {"2.51", 3},
                                    {"-2.5", -2},
                                    {"-3.5", -4},
                                    {"0.4999", 0},
                                    {"-99999999999999999999999999", -(std::int64_t{1} << 62)}}) {
    EXPECT_EQ(NumberText::Leading(text), value) << text;
  }
}

TEST(NumberTextTest, StrictAllowsOnlyBlanksAroundTheNumber) {
  for (const auto& [text, value] :
       {Row{" 2347 ", 2347}, {"+7", 7}, {"5.", 5}, {".5", 0}, {"1.5", 2}}) {
    EXPECT_EQ(NumberText::Strict(text), value) << text;
  }
  for (const char* text : {"", "   ", "off", "2347 bytes", "1 2", "\t5", "-", "."}) {
    EXPECT_FALSE(NumberText::Strict(text)) << text;
  }
}

}  // namespace
}  // namespace pelmora
