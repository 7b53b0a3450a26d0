// Windows-1252 to UTF-8: a table for 0x80-0x9F, the Latin-1 rule for the rest.
#include "windows1252.h"

#include <cstdint>

namespace {

// The code points of 0x80-0x9F; 0 where Windows-1252 defines no character.
constexpr std::uint16_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,       // 88-8F
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,  // 98-9F
};

}  // namespace

void appendUtf8(std::string& out, std::uint32_t code) {
  if ((code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) code = 0xFFFD;
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

std::string utf8FromWindows1252(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  std::size_t plainFrom = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x80) continue;
    // ASCII runs go over whole: most texts are ASCII but for a letter or two.
    out.append(text, plainFrom, i - plainFrom);
    plainFrom = i + 1;
    if (byte < 0xA0) {
      const std::uint16_t mapped = kHighControls[byte - 0x80];
      appendUtf8(out, mapped != 0 ? mapped : byte);
    } else {
      appendUtf8(out, byte);
    }
  }
  out.append(text, plainFrom, std::string_view::npos);
  return out;
}
