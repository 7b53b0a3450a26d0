#include "windows1252.h"

#include <gtest/gtest.h>

#include <string>

TEST(Windows1252, EachRangeBecomesItsUtf8Sequence) {
  const struct {
    const char* text;
    const char* utf8;
  } cases[] = {
      {"", ""},
      {"Sexo 1/2", "Sexo 1/2"},              // ASCII stays
      {"Munic\xEDpio", "Munic\xC3\xADpio"},  // Latin-1: two bytes
      {"\xA0\xFF", "\xC2\xA0\xC3\xBF"},      // both ends of Latin-1
      {"\x80", "\xE2\x82\xAC"},              // euro sign
      {"\x93"
       "a\x94",
       "\xE2\x80\x9C"
       "a\xE2\x80\x9D"},                                                     // curly quotes
      {"\x8A\x9F", "\xC5\xA0\xC5\xB8"},                                      // S caron, Y diaeresis
      {"\x81\x8D\x8F\x90\x9D", "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D"},  // undefined: C1
  };
  for (const auto& c : cases) {
    EXPECT_EQ(std::string(c.utf8), utf8FromWindows1252(c.text)) << c.text;
  }
}

TEST(Windows1252, EveryByteGivesOneWellFormedCharacter) {
  for (int byte = 0; byte < 256; ++byte) {
    const std::string utf8 = utf8FromWindows1252(std::string(1, static_cast<char>(byte)));
    const auto lead = static_cast<unsigned char>(utf8[0]);
    const std::size_t length = lead < 0x80 ? 1 : lead >= 0xE0 ? 3 : 2;
    ASSERT_EQ(length, utf8.size()) << byte;
    for (std::size_t i = 1; i < utf8.size(); ++i) {
      EXPECT_EQ(0x80, static_cast<unsigned char>(utf8[i]) & 0xC0) << byte;
    }
  }
}
