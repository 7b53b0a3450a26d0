// Numbers as the prn format and the copies write them: rounded, no thousands separators, the
// language's decimal separator, and a limit of significant digits (14 on the page, 15 in the
// copies) beyond which the integer part is written in exponent form.
#pragma once

#include <string>

inline constexpr int kPageDigits = 14;
inline constexpr int kCopyDigits = 15;

// Rounded half away from zero at the coarser of `decimals` and the digit limit, then written
// with `decimals` decimals ("-" only for a value that does not round to zero). An integer part
// with more digits than the limit gives one digit, the separator, the other digits without
// trailing zeros, "E", the sign and at least two exponent digits: 1,2345678901234E+15.
std::string fixedPointText(double value, int decimals, char decimalSeparator, int digitLimit);
// Rounded to `decimals` with no digit limit: the notebook format's numbers.
std::string plainNumberText(double value, int decimals, char decimalSeparator);
