#include "fixed_point.h"

#include <gtest/gtest.h>

namespace {

struct FixedCase {
  double value;
  int decimals;
  char separator;
  int limit;
  const char* text;
};

void expectTexts(const FixedCase* begin, const FixedCase* end) {
  for (const FixedCase* c = begin; c != end; ++c) {
    EXPECT_EQ(c->text, fixedPointText(c->value, c->decimals, c->separator, c->limit))
        << c->value << " with " << c->decimals << " decimals, limit " << c->limit;
  }
}

}  // namespace

TEST(FixedPoint, RoundsAtTheCoarserOfDecimalsAndDigitLimit) {
  const FixedCase cases[] = {
      {1234.5, 2, ',', kPageDigits, "1234,50"},
      {1234.5, 2, '.', kCopyDigits, "1234.50"},
      {2.5, 0, ',', kPageDigits, "3"},
      {-2.5, 0, ',', kPageDigits, "-3"},
      {-1234.5, 0, ',', kPageDigits, "-1235"},
      {0, 0, ',', kPageDigits, "0"},
      {0, 2, ',', kPageDigits, "0,00"},
      {-0.004, 2, ',', kPageDigits, "0,00"},  // no "-" for what rounds to zero
      {0.1 + 0.2, 2, ',', kCopyDigits, "0,30"},
      {7, 3, ',', kCopyDigits, "7,000"},
      // The digit limit is coarser than the decimals: the rest are zeros, not binary noise.
      {123456789012.3456, 3, ',', kPageDigits, "123456789012,350"},
      {123456789012345.6, 1, ',', kCopyDigits, "123456789012346,0"},
      {1.5, 20, '.', kCopyDigits, "1.50000000000000000000"},
      {12345678901234.0, 0, ',', kPageDigits, "12345678901234"},
      // Whole numbers take a shorter path; it must agree with the general one.
      {-0.0, 2, ',', kPageDigits, "0,00"},
      {-1234.0, 1, ',', kPageDigits, "-1234,0"},
      {123456789012345.0, 2, ',', kCopyDigits, "123456789012345,00"},
      {12345678901234.0, 3, '.', kCopyDigits, "12345678901234.000"},
  };
  expectTexts(std::begin(cases), std::end(cases));
}

TEST(FixedPoint, IntegerPartBeyondTheLimitTakesExponentForm) {
  const FixedCase cases[] = {
      {1234567890123400.0, 0, ',', kPageDigits, "1,2345678901234E+15"},
      {1234567890123456.0, 2, ',', kCopyDigits, "1,23456789012346E+15"},
      {-1234567890123456789.0, 0, '.', kCopyDigits, "-1.23456789012346E+18"},
      {123456789012345.0, 0, ',', kPageDigits, "1,2345678901235E+14"},
      {1e20, 2, '.', kCopyDigits, "1E+20"},
      // Exactly half on the binary value goes away from zero.
      {1000000000000005.0, 0, ',', kCopyDigits, "1,00000000000001E+15"},
      // Rounding carries into a new leading digit.
      {99999999999999.7, 0, ',', kPageDigits, "1E+14"},
      {9.9999999999999999e200, 0, ',', kCopyDigits, "1E+201"},
  };
  expectTexts(std::begin(cases), std::end(cases));
}

TEST(FixedPoint, PlainNumberHasNoDigitLimit) {
  EXPECT_EQ("1234.50", plainNumberText(1234.5, 2, '.'));
  EXPECT_EQ("0.00", plainNumberText(-0.001, 2, '.'));
  EXPECT_EQ("-3", plainNumberText(-2.5, 0, '.'));
  EXPECT_EQ("100000000000000000000", plainNumberText(1e20, 0, '.'));
}
