#include "number_text.h"

#include <gtest/gtest.h>

TEST(NumberText, RoundsAndSeparates) {
  const struct {
    double value;
    int decimals;
    char thousands, point;
    const char* text;
  } cases[] = {
      {0, 0, '.', ',', "0"},
      {1234567.5, 1, ',', '.', "1,234,567.5"},
      {1234567.5, 1, '.', ',', "1.234.567,5"},
      {1234.5, 2, ',', '.', "1,234.50"},
      {999, 0, '.', ',', "999"},
      {1000, 0, '.', ',', "1.000"},
      {-1234, 0, '.', ',', "-1.234"},
      {-123456, 0, '.', ',', "-123.456"},
      {3.125, 2, '.', ',', "3,13"},  // an exact tie goes away from zero
      {-3.125, 2, '.', ',', "-3,13"},
      {2.5, 0, '.', ',', "3"},
      {0.5, 0, '.', ',', "1"},
      {-0.5, 0, '.', ',', "-1"},
      {999.5, 0, '.', ',', "1.000"},  // the carry reaches a new group
      {9.995, 2, '.', ',', "9,99"},   // 9.995 is stored a little below the half
      {2.675, 2, '.', ',', "2,67"},   // likewise
      {0.125, 2, '.', ',', "0,13"},
      {1.0 / 3, 3, ',', '.', "0.333"},
      {-0.004, 2, '.', ',', "0,00"},  // rounds to zero: no sign
      {-0.4, 0, '.', ',', "0"},
      {-0.0, 1, '.', ',', "0,0"},
      {25, 2, '.', ',', "25,00"},
      {12345678901234.0, 0, '.', ',', "12.345.678.901.234"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.text, numberText(c.value, c.decimals, c.thousands, c.point))
        << c.value << " with " << c.decimals << " decimals";
  }
}

TEST(NumberText, RoundHalfAwayGivesTheWrittenValue) {
  EXPECT_DOUBLE_EQ(3.13, roundHalfAway(3.125, 2));
  EXPECT_DOUBLE_EQ(-3.13, roundHalfAway(-3.125, 2));
  EXPECT_DOUBLE_EQ(2.67, roundHalfAway(2.675, 2));
  EXPECT_DOUBLE_EQ(3, roundHalfAway(2.5, 0));
  EXPECT_DOUBLE_EQ(1235, roundHalfAway(1234.5, 0));
}
