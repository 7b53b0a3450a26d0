#include "index_layout.h"

#include <gtest/gtest.h>

TEST(IndexLayout, LinesRoundTrip) {
  const struct {
    const char* code;
    std::int32_t first, last;
    const char* line;
  } cases[] = {{"355030", 1, 2, "355030       1       2"},
               {"35", 10, 99999999, "35          1099999999"},
               {"3550301", 7, 7, "355030       7       7"},  // cut to its six columns
               {"", 1, 0, "             1       0"}};
  for (const auto& c : cases) {
    const std::string line = indexLine(c.code, c.first, c.last);
    EXPECT_EQ(c.line, line) << c.code;
    IndexEntry entry;
    ASSERT_FALSE(readIndexLine(line, entry)) << c.code;
    std::string code = std::string(c.code).substr(0, 6);
    code.resize(6, ' ');
    EXPECT_EQ(code, entry.code) << c.code;
    EXPECT_EQ(c.first, entry.first) << c.code;
    EXPECT_EQ(c.last, entry.last) << c.code;
  }
}

TEST(IndexLayout, UnreadableRecordNumbersFailWithTheirText) {
  const struct {
    const char* line;
    const char* text;
  } cases[] = {
      {"355030      x1       2", "x1"}, {"355030       1  2 3456", "2 3456"}, {"355030", ""}};
  for (const auto& c : cases) {
    IndexEntry entry;
    const Status failure = readIndexLine(c.line, entry);
    ASSERT_TRUE(failure) << c.line;
    EXPECT_EQ(std::string("Erro: '") + c.text + "' n\xE3o \xE9 um inteiro v\xE1lido", failure->text)
        << c.line;
  }
}
