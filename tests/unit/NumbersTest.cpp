#include <gtest/gtest.h>

#include "common/Numbers.h"
#include "common/CommandText.h"

TEST(Numbers, RecognisesNumbersOnly) {
  double v = 0;
  EXPECT_TRUE(num::Parse(" -12.5e1 ", v));
  EXPECT_DOUBLE_EQ(v, -125);
  EXPECT_TRUE(num::Parse(".5", v));
  EXPECT_TRUE(num::Parse("5.", v));
  EXPECT_TRUE(num::Parse("+3", v));
  for (const char* bad : {"", "  ", "x", "1x", "1e", "--1", "1.2.3", "\t1", "1,5", "inf", "nan"})
    EXPECT_FALSE(num::Parse(bad, v)) << bad;
  EXPECT_TRUE(num::Parse("1,5", v, ','));
  EXPECT_DOUBLE_EQ(v, 1.5);
}

TEST(Numbers, IntegerConversionsRoundHalfToEvenAndCheckRange) {
  EXPECT_EQ(num::ToInt16("2.5"), 2);
  EXPECT_EQ(num::ToInt16("3.5"), 4);
  EXPECT_EQ(num::ToInt16("-2.5"), -2);
  EXPECT_EQ(num::ToInt16("32767.4"), 32767);
  EXPECT_FALSE(num::ToInt16("32767.5"));
  EXPECT_EQ(num::ToInt32("-2147483648"), INT32_MIN);
  EXPECT_FALSE(num::ToInt32("2147483648"));
  EXPECT_FALSE(num::ToInt32("1e300"));
}

TEST(Numbers, PatternForms) {
  EXPECT_EQ(num::Pattern(12.345, 2), "12.35");
  EXPECT_EQ(num::Pattern(-0.5, 2), "-0.50");
  EXPECT_EQ(num::Pattern(2, 2), "2.00");
  EXPECT_EQ(num::Pattern(3.14159, 2), "3.14");
  EXPECT_EQ(num::Pattern(0.125, 2), "0.13");
  EXPECT_EQ(num::Pattern(-0.001, 2), "0.00");
  EXPECT_EQ(num::Pattern(77777.7, 1), "77777.7");
  EXPECT_EQ(num::Pattern(12.5, 2, ','), "12,50");
}

TEST(Numbers, PlainFormHasLeadingBlankAndNoZeroBeforePoint) {
  EXPECT_EQ(num::Plain(12.0), " 12");
  EXPECT_EQ(num::Plain(-3.0), "-3");
  EXPECT_EQ(num::Plain(0.5), " .5");
  EXPECT_EQ(num::Plain(-0.25), "-.25");
  EXPECT_EQ(num::Plain(0.0), " 0");
  EXPECT_EQ(num::Plain(77777.7), " 77777.7");
  EXPECT_EQ(num::Plain(1e20), " 1E+20");
  EXPECT_EQ(num::Plain(int64_t{12}), " 12");
  EXPECT_EQ(num::General(12.5), "12.5");
  EXPECT_EQ(num::General(-3.0), "-3");
}

TEST(CommandText, TokensAndWords) {
  std::string text = "Ver;;Ver", token;
  EXPECT_EQ(GetNextToken(text, token, ";"), 3);
  EXPECT_EQ(GetNextToken(text, token, ";"), 0);
  EXPECT_EQ(text, "Ver");
  std::string line = "  Rel   5  x ", word;
  EXPECT_EQ(GetFirstWord(line, word), 3);
  EXPECT_EQ(word, "Rel");
  EXPECT_EQ(line, "5  x");
  std::string blank = "   ";
  EXPECT_EQ(GetFirstWord(blank, word), 0);
  EXPECT_EQ(word, "");
  std::string tab = "a\tb c";
  GetFirstWord(tab, word);
  EXPECT_EQ(word, "a\tb");
}
