#include <gtest/gtest.h>

#include "common/Numbers.h"
#include "common/CommandText.h"

#include <cmath>
#include <cstdlib>
#include <limits>

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

// The digits come from an integer conversion below 2^63 and from the general formatter
// above it: both sides of the boundary, and a scaled value far past it.
TEST(Numbers, PatternDigitsAcrossTheIntegerRange) {
  const std::pair<double, const char*> cases[] = {
      {9223372036854774784.0, "9223372036854774784.00"},    // the last double below 2^63
      {9223372036854775808.0, "9223372036854775808.00"},    // 2^63
      {18446744073709551616.0, "18446744073709551616.00"},  // 2^64
      {-123456789.125, "-123456789.13"},
      {0.0, "0.00"}};
  for (const auto& [v, want] : cases) EXPECT_EQ(num::Pattern(v, 2), want) << v;
  EXPECT_EQ(num::Pattern(100000, 15), "100000.000000000000000");
  EXPECT_EQ(num::Pattern(1e20, 0), "100000000000000000000");
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

// Every form of every extreme value: no throw, and what is written either reads back as
// the number (rounded to 15 digits, or to the pattern's decimals) or as no number at all.
TEST(Numbers, FormsAtTheExtremesReadBackAsThemselvesOrAsNoNumber) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double max = std::numeric_limits<double>::max();
  const double tiny = std::numeric_limits<double>::denorm_min();
  const double overflowed = std::strtod("1.8e308", nullptr);  // beyond doubles: inf
  for (const double v : {inf, -inf, nan, max, -max, overflowed, -overflowed, tiny, -tiny,
                         9.999999999999995e307, 123456789012345678.0}) {
    std::string plain, general, pattern1, pattern2;
    ASSERT_NO_THROW(plain = num::Plain(v)) << v;
    ASSERT_NO_THROW(general = num::General(v)) << v;
    ASSERT_NO_THROW(pattern1 = num::Pattern(v, 1)) << v;
    ASSERT_NO_THROW(pattern2 = num::Pattern(v, 2)) << v;
    double back = 0;
    if (!std::isfinite(v)) {
      for (const auto& text : {plain, general, pattern1, pattern2})
        EXPECT_FALSE(num::Parse(text, back)) << text;
      continue;
    }
    for (const auto& text : {plain, general}) {
      ASSERT_TRUE(num::Parse(text, back)) << text;
      EXPECT_NEAR(back, v, std::fabs(v) * 5e-15) << text;
    }
    for (const auto& text : {pattern1, pattern2}) {
      ASSERT_TRUE(num::Parse(text, back)) << text;
      EXPECT_NEAR(back, v, std::fabs(v) * 1e-16 + 0.05) << text;
    }
  }
}

TEST(Numbers, NonFiniteValuesAreNamed) {
  const double inf = std::numeric_limits<double>::infinity();
  const struct {
    double v;
    const char *plain, *general;
  } cases[] = {{inf, " Inf", "Inf"},
               {-inf, "-Inf", "-Inf"},
               {std::numeric_limits<double>::quiet_NaN(), " NaN", "NaN"}};
  for (const auto& c : cases) {
    EXPECT_EQ(num::Plain(c.v), c.plain);
    EXPECT_EQ(num::General(c.v), c.general);
    EXPECT_EQ(num::Pattern(c.v, 1), c.general);
    EXPECT_EQ(num::Pattern(c.v, 2), c.general);
  }
  EXPECT_EQ(num::Plain(std::numeric_limits<double>::max()), " 1.7976931348623157E+308");
  EXPECT_EQ(num::Plain(std::numeric_limits<double>::lowest()), "-1.7976931348623157E+308");
  // Large whole numbers keep their exact digits.
  EXPECT_EQ(num::Pattern(1e20, 0), "100000000000000000000");
  EXPECT_EQ(num::Pattern(-1e20, 2), "-100000000000000000000.00");
  EXPECT_EQ(num::Pattern(4503599627370497.0, 1), "4503599627370497.0");
  EXPECT_EQ(num::Pattern(-std::numeric_limits<double>::max(), 2).substr(0, 7), "-179769");
  EXPECT_EQ(num::Pattern(-std::numeric_limits<double>::max(), 2).substr(310), ".00");
}
