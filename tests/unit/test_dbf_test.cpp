// The fixture writer and its text form: a wrong byte here would make every reader test lie.
#include "test_dbf.h"

#include <gtest/gtest.h>

#include "golden_case.h"

namespace {

int word(const std::string& bytes, std::size_t at) {
  return static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8;
}

}  // namespace

TEST(TestDbf, WritesHeaderDescriptorsAndPaddedRecords) {
  TestDbf dbf{{{"CODMUN", 'C', 6}, {"peso", 'N', 5, 1}}, {{"3550", "1.5"}, "355030"}};
  dbf.rows[1].mark = '*';
  const std::string bytes = dbf.bytes();
  ASSERT_EQ(32u + 64 + 1 + 2 * 12 + 1, bytes.size());
  EXPECT_EQ(3, bytes[0]);
  EXPECT_EQ(2, bytes[4]);
  EXPECT_EQ(97, word(bytes, 8));
  EXPECT_EQ(12, word(bytes, 10));
  EXPECT_EQ(std::string("CODMUN\0\0\0\0\0C", 12), bytes.substr(32, 12));
  EXPECT_EQ(std::string("peso\0", 5), bytes.substr(64, 5));
  EXPECT_EQ(5, bytes[64 + 16]);
  EXPECT_EQ(1, bytes[64 + 17]);
  EXPECT_EQ('\x0D', bytes[96]);
  EXPECT_EQ(" 3550    1.5*355030     \x1A", bytes.substr(97));
}

TEST(TestDbf, OverridesPadOrCutTheFile) {
  TestDbf dbf{{{"A", 'C', 3}}, {"abcdef"}};
  dbf.version = 0x30;
  dbf.recordLength = 6;
  dbf.recordCount = 9;
  dbf.endMark = false;
  dbf.trailing = "xy";
  const std::string bytes = dbf.bytes();
  EXPECT_EQ(32 + 32 + 1 + 263, word(bytes, 8));
  EXPECT_EQ(9, bytes[4]);
  EXPECT_EQ(" abc  xy", bytes.substr(word(bytes, 8)));
  dbf.headerLength = 40;
  EXPECT_EQ(" abc  xy", dbf.bytes().substr(40));
}

TEST(TestDbf, TextFormMatchesTheStructure) {
  const std::string text =
      "# comment\r\n"
      "CODMUN C 6, PESO N 6 2\r\n"
      "@version 0x83\n"
      "@date 96 12 31\n"
      "@records 5\n"
      "@endMark off\n"
      "\n"
      "355030|1.5\n"
      "*S\\xE3o\\|x|\\\\\n";
  TestDbf dbf;
  std::string error;
  ASSERT_TRUE(parseTestDbfText(text, dbf, error)) << error;
  ASSERT_EQ(2u, dbf.fields.size());
  EXPECT_EQ("PESO", dbf.fields[1].name);
  EXPECT_EQ('N', dbf.fields[1].type);
  EXPECT_EQ(6, dbf.fields[1].length);
  EXPECT_EQ(2, dbf.fields[1].decimals);
  EXPECT_EQ(0x83, dbf.version);
  EXPECT_EQ(96, dbf.year);
  EXPECT_EQ(5, dbf.recordCount.value_or(0));
  EXPECT_FALSE(dbf.endMark);
  ASSERT_EQ(2u, dbf.rows.size());
  EXPECT_EQ(' ', dbf.rows[0].mark);
  EXPECT_EQ('*', dbf.rows[1].mark);
  EXPECT_EQ((std::vector<std::string>{"S\xE3o|x", "\\"}), dbf.rows[1].values);
}

TEST(TestDbf, MalformedTextIsRefused) {
  for (const char* text :
       {"", "A C\n", "A C x\n", "A C 3\n1|2\n", "A C 3\n@bogus 1\n", "A C 3\nbad \\q escape\n"}) {
    TestDbf dbf;
    std::string error;
    EXPECT_FALSE(parseTestDbfText(text, dbf, error)) << text;
    EXPECT_FALSE(error.empty()) << text;
  }
}

TEST(GoldenRunner, FirstDifferenceShowsLineEnds) {
  EXPECT_EQ("", firstDifference("a\r\nb", "a\r\nb"));
  EXPECT_EQ("line 2\n  expected: b\\r\n  actual:   b", firstDifference("a\r\nb\r\n", "a\r\nb\n"));
  EXPECT_EQ("line 1\n  expected: a (no line end)\n  actual:   a\\xE3",
            firstDifference("a", "a\xE3\n"));
  EXPECT_EQ("line 2\n  expected: (end of file)\n  actual:   x (no line end)",
            firstDifference("a\n", "a\nx"));
}
