// Windows-1252 bytes as UTF-8, for the answers that scripts read (JSON-stat, tidy CSV), which
// declare UTF-8. iconv cannot serve a statically linked program (it loads its converters at run
// time), and the mapping is one fixed table.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Bytes below 0x80 stay as they are; 0xA0-0xFF are the Latin-1 code points; 0x80-0x9F follow
// Windows-1252 (0x80 the euro sign, 0x93 a left double quotation mark ...), and the five bytes it
// leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the C1 control of the same number, as
// browsers decode them.
std::string utf8FromWindows1252(std::string_view text);
// Appends the code point as UTF-8; one that is no character (a surrogate, beyond U+10FFFF)
// appends U+FFFD.
void appendUtf8(std::string& out, std::uint32_t codePoint);
