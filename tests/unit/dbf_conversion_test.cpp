#include "dbf_conversion.h"

#include <gtest/gtest.h>

#include "conversion.h"
#include "test_dbf.h"
#include "test_paths.h"
#include "text_helpers.h"

namespace {

// Codes in the order they appear, some repeated; the label of a later repeat must not count.
TestDbf regionTable() {
  return TestDbf{{{"CODIGO", 'C', 6}, {"NOME", 'C', 20}, {"UF", 'C', 2}, {"sigla", 'C', 4}},
                 {{"1100", "Rond\xF4nia Norte", "RO", "ro"},
                  {"1200", "Acre", "AC", "ac"},
                  {"1100", "Outro nome", "RO", "ro"},
                  {"5300", "Distrito Federal", "DF", "df"},
                  {"1200", "Acre de novo", "AC", "ac"},
                  {"2900", "Bahia", "BA", "ba"},
                  {"5300", "", "DF", "df"},
                  {"2900", "Bahia", "BA", "ba"},
                  {"1100", "", "RO", "ro"},
                  {"2900", "", "BA", "ba"}}};
}

class DbfConversion : public testing::Test {
 protected:
  // Loads and returns the refusal as a page shows it (with CR LF), empty when loaded; `message`
  // keeps the refusal's text.
  std::string load(const std::string& items, int limit, Dimension& dimension) {
    const Status failure =
        loadDimension(normalizeDimensionLine("LRegi\xE3o," + items), limit, dimension);
    message = failure ? failure->text : "";
    return failure ? failure->text + "\r\n" : "";
  }
  std::string message;
};

TEST_F(DbfConversion, DistinctCodesInFirstSeenOrder) {
  const std::string table = regionTable().writeTo(tempPath("regiao.dbf"));
  Dimension d;
  EXPECT_EQ("", load("CODIGO,NOME," + table, 5700, d));
  ASSERT_EQ("", message);
  EXPECT_EQ(MappingKind::dictionary, d.mappingKind);
  EXPECT_EQ(4, d.categoryCount);
  EXPECT_EQ(6, d.codeWidth);
  EXPECT_EQ(1, d.codeStart);
  EXPECT_EQ("CODIGO", d.fieldName);
  EXPECT_EQ("Regi\xE3o", d.title);
  // The code keeps its padding, then one space, then the label without trailing spaces.
  EXPECT_EQ((std::vector<std::string>{"", "1100   Rond\xF4nia Norte", "1200   Acre",
                                      "5300   Distrito Federal", "2900   Bahia", ""}),
            d.categoryNames);
  EXPECT_EQ((std::vector<std::int16_t>{0, 0, 0, 0, 0}), d.rollUpTarget);
  EXPECT_EQ((std::vector<std::string>{"", "1100", "1200", "5300", "2900"}), d.categoryCodes);
  EXPECT_EQ(23, d.labelWidth);
  const struct {
    const char* value;
    int category;
  } cases[] = {{"1100  ", 1}, {"5300  ", 3}, {"2900  9", 4}, {"1100", 5}, {"3500  ", 5}};
  for (const auto& c : cases) EXPECT_EQ(c.category, categoryOf(d, c.value)) << c.value;
}

TEST_F(DbfConversion, LabelFieldChoice) {
  const std::string table = regionTable().writeTo(tempPath("regiao.dbf"));
  const struct {
    const char* items;
    const char* firstLabel;
  } cases[] = {
      {"CODIGO,3,", "1100   RO"},                    // by number
      {"CODIGO,UF,", "1100   RO"},                   // by name
      {"CODIGO,CODIGO,", "1100"},                    // the code field itself: the code alone
      {"CODIGO,xx,", "1100"},                        // neither: field 1, which is the code field
      {"CODIGO,9,", "1100"},                         // a number the table does not have: field 1
      {"codigo,NOME,", "1100   Rond\xF4nia Norte"},  // code field by exact name only: field 1
      {"UF,NOME,", "RO Rond\xF4nia Norte"},
  };
  for (const auto& c : cases) {
    Dimension d;
    load(std::string(c.items) + table, 5700, d);
    ASSERT_EQ("", message) << c.items;
    EXPECT_EQ(c.firstLabel, d.categoryNames[1]) << c.items;
  }
  Dimension byState;
  load("UF,NOME," + table, 5700, byState);
  EXPECT_EQ(2, byState.codeWidth);
  EXPECT_EQ(4, byState.categoryCount);
}

TEST_F(DbfConversion, LastOfTwoFieldsNamedAlikeAnswers) {
  const std::string table =
      TestDbf{{{"COD", 'C', 2}, {"COD", 'C', 3}, {"NOME", 'C', 5}}, {{"AA", "BBB", "x"}}}.writeTo(
          tempPath("dup.dbf"));
  Dimension d;
  load("COD,NOME," + table, 5700, d);
  ASSERT_EQ("", message);
  EXPECT_EQ(3, d.codeWidth);
  EXPECT_EQ("BBB x", d.categoryNames[1]);
}

TEST_F(DbfConversion, TranslationTableMapsDataCodes) {
  const std::string table = regionTable().writeTo(tempPath("regiao.dbf"));
  // Municipality code -> state code in the lower-case field "sigla" of both tables.
  const std::string translation = TestDbf{
      {{"CODMUN", 'C', 7}, {"sigla", 'C', 4}},
      {{"1100015", "ro"},
       {"1200013", "ac"},
       {"1100015", "ac"},
       {"3550308", "sp"},
       {"2927408", "ba"}}}.writeTo(tempPath("munic.dbf"));
  Dimension d;
  // Item 4 is lower-cased before the comparison, so "SIGLA" finds the field "sigla".
  EXPECT_EQ("", load("CODMUN,NOME," + table + ",SIGLA," + translation, 5700, d));
  ASSERT_EQ("", message);
  EXPECT_EQ(7, d.codeWidth);
  EXPECT_EQ(4, d.categoryCount);
  EXPECT_EQ("ro   Rond\xF4nia Norte", d.categoryNames[1]);
  // The conversion table's own codes, not the data's: those name the categories.
  EXPECT_EQ((std::vector<std::string>{"", "ro", "ac", "df", "ba"}), d.categoryCodes);
  const struct {
    const char* value;
    int category;
  } cases[] = {{"1100015", 1}, {"1200013", 2}, {"2927408", 4}, {"3550308", 5}, {"5300108", 5}};
  for (const auto& c : cases) EXPECT_EQ(c.category, categoryOf(d, c.value)) << c.value;
}

TEST_F(DbfConversion, TranslationClaimingBillions) {
  const std::string table = regionTable().writeTo(tempPath("regiao.dbf"));
  TestDbf translation{{{"CODMUN", 'C', 7}, {"sigla", 'C', 4}},
                      {{"1100015", "ro"}, {"2927408", "ba"}}};
  translation.recordCount = 2147483647;
  translation.writeTo(tempPath("munic.dbf"));
  Dimension d;
  EXPECT_EQ("", load("CODMUN,NOME," + table + ",sigla," + tempPath("munic.dbf"), 5700, d));
  ASSERT_EQ("", message);
  EXPECT_EQ(1, categoryOf(d, "1100015"));
  EXPECT_EQ(4, categoryOf(d, "2927408"));
  EXPECT_EQ(5, categoryOf(d, "       "));
}

TEST_F(DbfConversion, UpperCaseSecondKeyNeverMatches) {
  const std::string table = TestDbf{
      {{"UF", 'C', 2}, {"NOME", 'C', 6}, {"SIGLA", 'C', 2}},
      {{"RO", "Rond", "ro"},
       {"AC", "Acre", "ac"}}}.writeTo(tempPath("uf.dbf"));
  // "SIGLA" becomes "sigla", found in neither table: field 1 of each is used.
  const std::string translation = TestDbf{
      {{"AC", 'C', 2}, {"CODMUN", 'C', 3}, {"SIGLA", 'C', 2}},
      {{"AC", "120", "ro"}}}.writeTo(tempPath("tr.dbf"));
  Dimension d;
  load("CODMUN,NOME," + table + ",SIGLA," + translation, 5700, d);
  ASSERT_EQ("", message);
  EXPECT_EQ(3, d.codeWidth);
  EXPECT_EQ(2, categoryOf(d, "120"));
}

TEST_F(DbfConversion, Failures) {
  const std::string table = regionTable().writeTo(tempPath("regiao.dbf"));
  Dimension d;
  // The limit counts records (10), not distinct codes (4).
  EXPECT_EQ(table + ": NumRegs = 10 > Max = 9\r\n", load("CODIGO,NOME," + table, 10, d));
  EXPECT_EQ(table + ": NumRegs = 10 > Max = 9", message);
  message.clear();
  Dimension accepted;
  load("CODIGO,NOME," + table, 11, accepted);
  EXPECT_EQ("", message);

  const std::string missing = tempPath("nao_existe.dbf");
  EXPECT_EQ(missing + ": arquivo nao encontrado\r\n",
            load("CODIGO,NOME," + table + ",uf," + missing, 5700, d));
  EXPECT_EQ(missing + ": arquivo nao encontrado", message);

  const std::string empty = TestDbf{{}, {}}.writeTo(tempPath("vazia.dbf"));
  EXPECT_EQ(empty + ": Tabela de conversao sem campos\r\n", load("CODIGO,NOME," + empty, 5700, d));
}

TEST_F(DbfConversion, TableFoundIgnoringCase) {
  regionTable().writeTo(tempPath("REGIAO.DBF"));
  Dimension d;
  load("CODIGO,NOME," + tempPath("regiao.dbf"), 5700, d);
  ASSERT_EQ("", message);
  EXPECT_EQ(4, d.categoryCount);
  EXPECT_EQ(tempPath("regiao.dbf"), d.conversionFile);
}

}  // namespace
