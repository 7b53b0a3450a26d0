// Numbers as the pages and copies write them. Rounding is decided on the exact binary value of
// the double: printf already rounds that value correctly except for an exact tie, where it picks
// the even digit; users expect a tie to go away from zero, so ties are finished by hand.
#include "number_text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// True when |value| * 10^decimals lies exactly halfway between two integers. With
// value = m * 2^e (m odd), value * 10^d * 2 = m * 5^d * 2^(e + d + 1) is an odd integer
// exactly when e = -(d + 1).
bool isExactTie(double value, int decimals) {
  if (value == 0 || !std::isfinite(value)) return false;
  int exponent = 0;
  const double fraction = std::frexp(std::fabs(value), &exponent);
  auto mantissa = static_cast<unsigned long long>(std::ldexp(fraction, 53));
  exponent -= 53;
  while ((mantissa & 1) == 0) {
    mantissa >>= 1;
    ++exponent;
  }
  return exponent == -(decimals + 1);
}

std::string printed(double magnitude, int decimals) {
  const int size = std::snprintf(nullptr, 0, "%.*f", decimals, magnitude);
  std::string text(static_cast<std::size_t>(size) + 1, '\0');
  std::snprintf(text.data(), text.size(), "%.*f", decimals, magnitude);
  text.resize(static_cast<std::size_t>(size));
  return text;
}

// The digits of |value| rounded to `decimals`, "." before the decimals.
std::string roundedDigits(double value, int decimals) {
  const double magnitude = std::fabs(value);
  if (!isExactTie(value, decimals)) return printed(magnitude, decimals);
  // The tie is printed exactly with one more decimal (a final 5), then rounded up by hand.
  std::string text = printed(magnitude, decimals + 1);
  text.pop_back();
  if (!text.empty() && text.back() == '.') text.pop_back();
  int position = static_cast<int>(text.size()) - 1;
  for (; position >= 0; --position) {
    if (text[position] == '.') continue;
    if (text[position] == '9') {
      text[position] = '0';
      continue;
    }
    ++text[position];
    break;
  }
  if (position < 0) text.insert(text.begin(), '1');
  return text;
}

}  // namespace

double roundHalfAway(double value, int decimals) {
  if (!std::isfinite(value)) return value;
  const double magnitude = std::strtod(roundedDigits(value, decimals).c_str(), nullptr);
  return value < 0 ? -magnitude : magnitude;
}

std::string numberText(double value, int decimals, char thousandsSeparator, char decimalSeparator) {
  if (decimals < 0) decimals = 0;
  if (!std::isfinite(value)) return printed(value, 0);
  const std::string digits = roundedDigits(value, decimals);
  const std::size_t point = digits.find('.');
  const std::size_t integerLength = point == std::string::npos ? digits.size() : point;

  std::string text;
  text.reserve(digits.size() + digits.size() / 3 + 2);
  // A value that rounds to zero is written without its sign.
  if (value < 0 && digits.find_first_not_of("0.") != std::string::npos) text += '-';
  for (std::size_t i = 0; i < integerLength; ++i) {
    if (i > 0 && (integerLength - i) % 3 == 0) text += thousandsSeparator;
    text += digits[i];
  }
  if (point != std::string::npos) {
    text += decimalSeparator;
    text.append(digits, point + 1, std::string::npos);
  }
  return text;
}
