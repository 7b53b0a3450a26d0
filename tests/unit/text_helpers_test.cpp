#include "text_helpers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <map>

#include "program_run.h"

namespace {

class TextHelpers : public testing::Test {};

const std::map<int, std::string> kEntities = {
    {95, " "},         {192, "&Agrave;"}, {193, "&Aacute;"}, {194, "&Acirc;"},  {195, "&Atilde;"},
    {199, "&Ccedil;"}, {200, "&Egrave;"}, {201, "&Eacute;"}, {202, "&Ecirc;"},  {205, "&Iacute;"},
    {210, "&Ograve;"}, {211, "&Oacute;"}, {212, "&Ocirc;"},  {213, "&Otilde;"}, {218, "&Uacute;"},
    {220, "&Uuml;"},   {224, "&agrave;"}, {225, "&aacute;"}, {226, "&acirc;"},  {227, "&atilde;"},
    {231, "&ccedil;"}, {232, "&egrave;"}, {233, "&eacute;"}, {234, "&ecirc;"},  {237, "&iacute;"},
    {242, "&ograve;"}, {243, "&oacute;"}, {244, "&ocirc;"},  {245, "&otilde;"}, {250, "&uacute;"},
    {252, "&uuml;"}};

TEST_F(TextHelpers, HtmlAccentsReplacesExactlyTheTable) {
  for (int byte = 1; byte < 256; ++byte) {
    const std::string text(1, static_cast<char>(byte));
    const auto entity = kEntities.find(byte);
    const std::string expected = entity == kEntities.end() ? text : entity->second;
    EXPECT_EQ(expected, htmlAccents(text)) << "byte " << byte;
  }
  EXPECT_EQ("S&atilde;o Jos&eacute; do Rio &lt;", htmlAccents("S\xE3o_Jos\xE9 do Rio &lt;"));
}

TEST_F(TextHelpers, HtmlAccentsCutsAt255) {
  const std::string result = htmlAccents(std::string(40, '\xE3'));
  ASSERT_EQ(255u, result.size());
  std::string expected;
  for (int i = 0; i < 31; ++i) expected += "&atilde;";
  expected += "&atilde";
  EXPECT_EQ(expected, result);
  EXPECT_EQ(std::string(255, 'a'), htmlAccents(std::string(300, 'a')));
}

TEST_F(TextHelpers, GetEnvUnsetEmptyAndLongValueCut) {
  unsetenv("VORLEX_TEST_UNSET");
  EXPECT_EQ("", getEnv("VORLEX_TEST_UNSET"));
  setenv("VORLEX_TEST_LONG", std::string(300, 'x').c_str(), 1);
  EXPECT_EQ(std::string(255, 'x'), getEnv("VORLEX_TEST_LONG"));
  setenv("VORLEX_TEST_LONG", "a b", 1);
  EXPECT_EQ("a b", getEnv("VORLEX_TEST_LONG"));
}

TEST_F(TextHelpers, NormalizeDimensionLine) {
  const struct {
    std::string line, expected;
  } cases[] = {
      {"L  Sexo , sexo, 1, sexo.cnv", "Sexo" + std::string(27, ' ') + "sexo,1,sexo.cnv"},
      // 30 characters are padded to 31; 31 and 35 are left as they are.
      {"L" + std::string(30, 'n') + ",F,x.cnv", std::string(30, 'n') + " F,x.cnv"},
      {"L" + std::string(31, 'n') + ",F,x.cnv", std::string(31, 'n') + "F,x.cnv"},
      {"L" + std::string(35, 'n') + ",F,x.cnv", std::string(35, 'n') + "F,x.cnv"},
      // Without a comma the name is empty and the whole line, type letter included, follows.
      {"L Sem virgula", std::string(31, ' ') + "LSemvirgula"},
      {"", std::string(31, ' ')},
      {",a, b", std::string(31, ' ') + "a,b"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.expected, normalizeDimensionLine(c.line)) << c.line;
  EXPECT_EQ(255u, normalizeDimensionLine("LNome," + std::string(300, 'z')).size());
}

TEST_F(TextHelpers, SplitAtFirstSeparatorOnly) {
  std::string text = "um,dois,tres";
  EXPECT_EQ("um", splitAtComma(text, 255));
  EXPECT_EQ("dois,tres", text);
  EXPECT_EQ("dois", splitAtComma(text, 255));
  EXPECT_EQ("tres", splitAtComma(text, 255));
  EXPECT_EQ("", text);
  EXPECT_EQ("", splitAtComma(text, 255));

  text = "a,bcdef";
  EXPECT_EQ("a", splitAtComma(text, 3));
  EXPECT_EQ("bcd", text);

  text = "x=1=2";
  EXPECT_EQ("x", splitAtChar(text, 255, '='));
  EXPECT_EQ("1=2", text);
  text = ",rest";
  EXPECT_EQ("", splitAtComma(text, 255));
  EXPECT_EQ("rest", text);
}

TEST_F(TextHelpers, LinesEndAtLineFeedsWithOrWithoutCarriageReturns) {
  using Lines = std::vector<std::string_view>;
  const struct {
    const char* bytes;
    Lines lines;
  } cases[] = {{"", {}},
               {"a", {"a"}},
               {"a\r\nb\n", {"a", "b"}},
               {"\n\r\n", {"", ""}},
               {"a\rb\r\r\n", {"a\rb\r"}},  // only the CR before the LF is a line end
               {"x\n\ny", {"x", "", "y"}}};
  for (const auto& c : cases) EXPECT_EQ(c.lines, splitLines(c.bytes)) << c.bytes;
  EXPECT_EQ(std::vector<std::string>{std::string(255, 'a')}, cutLines(std::string(300, 'a')));
}

TEST_F(TextHelpers, SmallTextRoutines) {
  EXPECT_EQ("dados2019mes03v2", removeSpaces(" dados 2019 mes 03 v2 "));
  EXPECT_EQ("2019032", digitsOnly("dados2019_mes03v2.dbf"));
  EXPECT_EQ("", digitsOnly("nenhum"));
  EXPECT_EQ("ABC\xE3Z1", upperAscii("aBc\xE3z1"));
  EXPECT_EQ("abc\xC3z1", lowerAscii("aBc\xC3Z1"));
  EXPECT_EQ("a \t b", trimSpaces("  a \t b  "));
  EXPECT_EQ("\ta\t", trimSpaces(" \ta\t "));
  EXPECT_EQ("a \t b", trimBlanks("\r\n\t a \t b \x01"));
  EXPECT_EQ("", trimSpaces("   "));
  EXPECT_EQ("", trimBlanks(" \t "));
  EXPECT_EQ("&lt;a href=&quot;x&quot;&gt;&amp;\xE3", htmlEscape("<a href=\"x\">&\xE3"));
}

TEST_F(TextHelpers, TryIntegerAndTryReal) {
  const struct {
    const char* text;
    bool integer;
    std::int32_t integerValue;
    bool real;
    double realValue;
  } cases[] = {
      {"12", true, 12, true, 12},
      {"  -7", true, -7, true, -7},
      {"+5", true, 5, true, 5},
      {"2147483647", true, 2147483647, true, 2147483647.0},
      {"-2147483648", true, -2147483647 - 1, true, -2147483648.0},
      {"2147483648", false, 0, true, 2147483648.0},
      {"12 ", false, 0, false, 0},
      {"", false, 0, false, 0},
      {"-", false, 0, false, 0},
      {"1a", false, 0, false, 0},
      {"3.25", false, 0, true, 3.25},
      {"-.5", false, 0, true, -0.5},
      {"5.", false, 0, true, 5},
      {"1e3", false, 0, true, 1000},
      {"2.5E-1", false, 0, true, 0.25},
      {"1,5", false, 0, false, 0},
      {".", false, 0, false, 0},
      {"1e", false, 0, false, 0},
      {"inf", false, 0, false, 0},
      {"0x10", false, 0, false, 0},
      {"1e999", false, 0, false, 0},
  };
  for (const auto& c : cases) {
    std::int32_t integer = -1;
    double real = -1;
    EXPECT_EQ(c.integer, tryInteger(c.text, integer)) << c.text;
    if (c.integer) {
      EXPECT_EQ(c.integerValue, integer) << c.text;
    }
    EXPECT_EQ(c.real, tryReal(c.text, real)) << c.text;
    if (c.real) {
      EXPECT_DOUBLE_EQ(c.realValue, real) << c.text;
    }
  }
}

TEST_F(TextHelpers, ParseDecimalTakesTheWholeTextAndRoundsLikeTheLibrary) {
  const struct {
    const char* text;
    bool read;
  } cases[] = {{"12.5", true},
               {" 12.5", false},
               {"12.5 ", false},
               {"-0", true},
               {"1e400", false},
               {"1e-400", false},
               {"4.9e-324", true},
               {"", false},
               {"123456789012345678901234.5", true},
               {"0.1000000000000000000001", true}};
  for (const auto& c : cases) {
    double value = -7;
    ASSERT_EQ(c.read, parseDecimal(c.text, value)) << c.text;
    // Unread text leaves the value alone; read text gives the library's double, bit for bit.
    EXPECT_EQ(c.read ? std::strtod(c.text, nullptr) : -7, value) << c.text;
  }
  double negativeZero = 1;
  ASSERT_TRUE(parseDecimal("-0.0", negativeZero));
  EXPECT_TRUE(std::signbit(negativeZero));
}

TEST_F(TextHelpers, RequireFailsOnBadNumbersWithAnErrorLine) {
  std::int32_t integer = 0;
  double real = 0;
  EXPECT_FALSE(requireInteger("42", integer));
  EXPECT_EQ(42, integer);
  EXPECT_FALSE(requireReal("4.5", real));
  EXPECT_DOUBLE_EQ(4.5, real);
  const Status notInteger = requireInteger("4x", integer);
  ASSERT_TRUE(notInteger);
  EXPECT_EQ(1, notInteger->status);
  EXPECT_EQ("Erro: '4x' n\xE3o \xE9 um inteiro v\xE1lido", notInteger->text);
  const Status notReal = requireReal("4,5", real);
  ASSERT_TRUE(notReal);
  EXPECT_EQ(1, notReal->status);
  EXPECT_EQ("Erro: '4,5' n\xE3o \xE9 um n\xFAmero v\xE1lido", notReal->text);
}

}  // namespace
