// Small text routines the programs share. Texts are Windows-1252 bytes; nothing decodes them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "failure.h"
#include "html_escape.h"

// The variable's value cut to 255 characters, or the empty text when it is not set.
std::string getEnv(const char* name);
// Accented letters to HTML entities, "_" to a space; cut to 255.
std::string htmlAccents(std::string_view text);
std::string removeSpaces(std::string_view text);
std::string digitsOnly(std::string_view text);
// The dimension line rebuilt for loadDimension: the name padded to 31, then the fields without
// spaces.
std::string normalizeDimensionLine(std::string_view line);
// Item n (from 1) of a normalized dimension or measure line: the comma-separated fields after its
// name, as they stand; empty past the last.
std::string lineItem(std::string_view normalizedLine, int n);
// Returns the text before the first comma; `text` keeps what follows it, cut to `limit`.
std::string splitAtComma(std::string& text, std::size_t limit);
std::string splitAtChar(std::string& text, std::size_t limit, char separator);

// The lines of a text file: each LF ends a line, a CR before it is dropped, and a last line
// without LF counts. The views point into `bytes`.
std::vector<std::string_view> splitLines(std::string_view bytes);
// As splitLines, each line cut to 255 characters.
std::vector<std::string> cutLines(std::string_view bytes);

// a-z to A-Z only.
std::string upperAscii(std::string_view text);
std::string lowerAscii(std::string_view text);
// Without leading and trailing spaces.
std::string trimSpaces(std::string_view text);
// Without leading and trailing blanks and control characters (bytes up to 32).
std::string trimBlanks(std::string_view text);

// Reads an optionally signed decimal integer (leading blanks allowed) that fits 32 bits.
bool tryInteger(std::string_view text, std::int32_t& value);
// As tryInteger; a text that is not an integer fails with an "Erro: " line naming it.
Status requireInteger(std::string_view text, std::int32_t& value);
// A number that parseDecimal's exact path does not take, read by the C++ library.
bool parseDecimalByLibrary(std::string_view magnitude, bool negative, double& value);

inline bool decimalDigit(char c) { return c >= '0' && c <= '9'; }

// Reads a decimal number with "." as decimal point: sign, digits, fraction, exponent; the whole
// text must be the number, nothing before or after it. The value is the double nearest to the
// number, as the C library reads it; a number beyond the range of a double is not read. On
// failure `value` is unchanged. The one number reader of the programs; inline, since the engine
// reads every measure through it. Most numbers have at most 19 significant digits and a small
// exponent: read exactly as an integer and scaled by an exact power of ten, they round once, as
// the library would. Any other number is left to the library.
inline bool parseDecimal(std::string_view text, double& value) {
  const std::size_t length = text.size();
  std::size_t i = 0;
  bool negative = false;
  if (i < length && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  const std::size_t magnitudeStart = i;
  std::uint64_t mantissa = 0;
  int digits = 0, scale = 0, significant = 0;
  bool exact = true;
  for (; i < length && decimalDigit(text[i]); ++i, ++digits) {
    if (significant < 19) {
      mantissa = mantissa * 10 + static_cast<unsigned>(text[i] - '0');
      if (mantissa != 0) ++significant;
    } else {
      ++scale;
      exact = false;
    }
  }
  if (i < length && text[i] == '.') {
    for (++i; i < length && decimalDigit(text[i]); ++i, ++digits) {
      if (significant < 19) {
        mantissa = mantissa * 10 + static_cast<unsigned>(text[i] - '0');
        if (mantissa != 0) ++significant;
        --scale;
      } else {
        exact = false;
      }
    }
  }
  if (digits == 0) return false;
  if (i < length && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    bool exponentNegative = false;
    if (i < length && (text[i] == '+' || text[i] == '-')) exponentNegative = text[i++] == '-';
    if (i >= length || !decimalDigit(text[i])) return false;
    int exponent = 0;
    for (; i < length && decimalDigit(text[i]); ++i) {
      if (exponent < 100000) exponent = exponent * 10 + (text[i] - '0');
    }
    scale += exponentNegative ? -exponent : exponent;
  }
  if (i != length) return false;
  static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                       1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  if (!exact || mantissa > (std::uint64_t{1} << 53) || scale < -22 || scale > 22) {
    return parseDecimalByLibrary(text.substr(magnitudeStart), negative, value);
  }
  const double m = static_cast<double>(mantissa);
  const double magnitude = scale < 0 ? m / kPowers[-scale] : m * kPowers[scale];
  value = negative ? -magnitude : magnitude;
  return true;
}

// As parseDecimal after leading blanks; 0 when the text is not a number.
bool tryReal(std::string_view text, double& value);
// As tryReal; a text that is not a number fails with an "Erro: " line naming it.
Status requireReal(std::string_view text, double& value);
