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
// Reads a decimal number with "." as decimal point: sign, digits, fraction, exponent; the whole
// text must be the number, nothing before or after it. The value is the double nearest to the
// number, as the C library reads it; a number beyond the range of a double is not read. On
// failure `value` is unchanged. The one number reader of the programs: the engine reads every
// measure through it.
bool parseDecimal(std::string_view text, double& value);
// As parseDecimal after leading blanks; 0 when the text is not a number.
bool tryReal(std::string_view text, double& value);
// As tryReal; a text that is not a number fails with an "Erro: " line naming it.
Status requireReal(std::string_view text, double& value);
