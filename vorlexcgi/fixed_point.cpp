#include "fixed_point.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "number_text.h"

namespace {

// Every double at or above 1e14 has at most a few fraction digits, so this many digits after
// the first give its exact decimal expansion (the largest has 309 integer digits).
constexpr int kExactDigits = 330;

std::string printed(const char* format, int precision, double value) {
  char small[64];
  const int length = std::snprintf(small, sizeof small, format, precision, value);
  if (length < static_cast<int>(sizeof small)) return std::string(small, length);
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  std::snprintf(text.data(), text.size(), format, precision, value);
  text.resize(static_cast<std::size_t>(length));
  return text;
}

constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                              1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                              1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The decimal exponent of a finite, non-zero magnitude. Powers of ten up to 1e22 are exact
// doubles, so comparing with them never counts a value just below a power a digit too long.
int decimalExponent(double magnitude) {
  if (magnitude >= 1 && magnitude < 1e22) {
    int exponent = 0;
    while (magnitude >= kPowers[exponent + 1]) ++exponent;
    return exponent;
  }
  if (magnitude < 1) return static_cast<int>(std::floor(std::log10(magnitude)));
  const std::string text = printed("%.*e", kExactDigits, magnitude);
  return std::atoi(text.c_str() + text.find('e') + 1);
}

// `rounded` (already rounded at `shown` decimals) written with `decimals` decimals: the digits
// beyond `shown` are zeros, not the binary value's noise.
std::string fixedText(double rounded, int shown, int decimals, char decimalSeparator) {
  if (rounded == 0) rounded = 0;  // no "-0"
  std::string text = printed("%.*f", shown, rounded);
  if (decimals > shown) {
    if (shown == 0) text += '.';
    text.append(static_cast<std::size_t>(decimals - shown), '0');
  }
  const std::size_t point = text.find('.');
  if (point != std::string::npos) text[point] = decimalSeparator;
  return text;
}

// One digit, the separator, the other significant digits without trailing zeros, "E", the sign
// and at least two digits; rounded half away from zero on the exact value.
std::string exponentText(double value, char decimalSeparator, int digitLimit) {
  const std::string exact = printed("%.*e", kExactDigits, std::fabs(value));
  std::string digits = exact.substr(0, 1) + exact.substr(2, static_cast<std::size_t>(digitLimit));
  int exponent = std::atoi(exact.c_str() + exact.find('e') + 1);
  // Digit digitLimit + 1 decides; the exact expansion has no rounding of its own to undo.
  std::string keep = digits.substr(0, static_cast<std::size_t>(digitLimit));
  if (digits[static_cast<std::size_t>(digitLimit)] >= '5') {
    int i = digitLimit - 1;
    while (i >= 0 && keep[static_cast<std::size_t>(i)] == '9')
      keep[static_cast<std::size_t>(i--)] = '0';
    if (i >= 0) {
      ++keep[static_cast<std::size_t>(i)];
    } else {
      keep.insert(keep.begin(), '1');
      keep.pop_back();
      ++exponent;
    }
  }
  std::string rest = keep.substr(1);
  while (!rest.empty() && rest.back() == '0') rest.pop_back();
  std::string text = value < 0 ? "-" : "";
  text += keep[0];
  if (!rest.empty()) text += decimalSeparator + rest;
  text += exponent < 0 ? "E-" : "E+";
  const int magnitude = std::abs(exponent);
  if (magnitude < 10) text += '0';
  text += std::to_string(magnitude);
  return text;
}

// Whole numbers below 2^53 (counts, above all) round to themselves at any number of decimals,
// so they skip the general rounding; the copies of a large table are mostly such numbers.
bool isSmallWholeNumber(double value) {
  return std::fabs(value) < 9007199254740992.0 && value == std::trunc(value);
}

std::string wholeNumberText(double value, int decimals, char decimalSeparator) {
  char digits[24];
  const long long whole = value == 0 ? 0 : static_cast<long long>(value);  // no "-0"
  const auto end = std::to_chars(digits, digits + sizeof digits, whole).ptr;
  std::string text(digits, end);
  if (decimals > 0) {
    text += decimalSeparator;
    text.append(static_cast<std::size_t>(decimals), '0');
  }
  return text;
}

}  // namespace

std::string plainNumberText(double value, int decimals, char decimalSeparator) {
  if (decimals < 0) decimals = 0;
  if (!std::isfinite(value)) return printed("%.*f", decimals, value);
  if (isSmallWholeNumber(value)) return wholeNumberText(value, decimals, decimalSeparator);
  return fixedText(roundHalfAway(value, decimals), decimals, decimals, decimalSeparator);
}

std::string fixedPointText(double value, int decimals, char decimalSeparator, int digitLimit) {
  if (decimals < 0) decimals = 0;
  if (!std::isfinite(value)) return printed("%.*f", decimals, value);
  if (digitLimit <= 22 && isSmallWholeNumber(value) && std::fabs(value) < kPowers[digitLimit]) {
    return wholeNumberText(value, decimals, decimalSeparator);
  }
  int shown = decimals;
  if (value != 0) {
    const int exponent = decimalExponent(std::fabs(value));
    if (exponent + 1 > digitLimit) return exponentText(value, decimalSeparator, digitLimit);
    if (digitLimit - 1 - exponent < shown) shown = digitLimit - 1 - exponent;
  }
  const double rounded = roundHalfAway(value, shown);
  // Rounding may carry into a new leading digit (99999999999999.7 at 14 digits).
  if (rounded != 0 && decimalExponent(std::fabs(rounded)) + 1 > digitLimit) {
    return exponentText(value, decimalSeparator, digitLimit);
  }
  return fixedText(rounded, shown, decimals, decimalSeparator);
}
