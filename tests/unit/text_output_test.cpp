#include "text_output.h"

#include <gtest/gtest.h>

#include <string>

#include "heading_block.h"
#include "program_run.h"
#include "result_model.h"
#include "result_state.h"
#include "test_paths.h"

namespace {

// Two births columns and a third that sums to zero; a row with an accented label and an
// all-zero row.
TabulationState bySex() {
  ResultTable table;
  table.rowLabels = {"Acre", "S\xE3o Paulo", "Roraima"};
  table.columnChoice = "Sexo";
  table.columnLabels = {"Masc", "Fem", "Sem_info"};
  table.cells = {{1234, 0, 0}, {56789, 4321, 0}, {0, 0, 0}};
  TabulationState state = resultState(table);
  state.periodCodes = {"96"};
  return state;
}

// As bySex, with two decimals (a measure's decimals hold for every column) and the rows sorted
// by total (Roraima, Acre, Sao Paulo from the smallest).
TabulationState bySexSorted() {
  TabulationState state = bySex();
  state.valueCells[1][1] = 1234.5;
  state.columnTotals[1] += 0.5;
  state.rowTotals[1] += 0.5;
  state.grandTotal += 0.5;
  state.columnDecimals = {0, 2, 2, 2};
  state.sortRows = true;
  state.rowOrder = {0, 3, 1, 2};
  state.zeroAsHyphen = true;
  return state;
}

// What the writer puts after the heading block, which must come first and unchanged.
template <typename Writer>
std::string afterHeading(const TabulationState& state, Writer writer) {
  const ResultModel model = resultModel(state);
  const std::string heading = runInChild([&] { writeHeadingBlock(model); }).output;
  const std::string page = runInChild([&] { writer(model); }).output;
  EXPECT_EQ(heading, page.substr(0, heading.size()));
  return page.substr(heading.size());
}

}  // namespace

TEST(TextOutput, NumberWidthCountsIntegerDigitsByDivision) {
  const struct {
    int decimals;
    double value;
    int width;
  } cases[] = {{0, 0, 3},   {0, 5, 3},      {0, -500, 3},    {0, 9.99, 3}, {0, 10, 4},
               {1, 100, 7}, {2, 1234.5, 9}, {0, 999999, 10}, {0, 1e6, 11}};
  for (const auto& c : cases) {
    EXPECT_EQ(c.width, numberWidth(c.decimals, c.value)) << c.value << " " << c.decimals;
  }
}

TEST(TextOutput, UnderscoresToSpacesWithinTheTextLimit) {
  EXPECT_EQ("Faixa  et\xE1ria ", underscoresToSpaces("Faixa__et\xE1ria_"));
  EXPECT_EQ(std::string(255, ' '), underscoresToSpaces(std::string(300, '_')));
}

TEST(TextOutput, PreformattedAlignsLabelsCountedBeforeEntities) {
  const std::string text =
      afterHeading(bySex(), [](const ResultModel& m) { writePreformatted(m); });
  EXPECT_EQ(
      "<PRE>\r\n"
      "UF Resid           Masc    Fem   Total\r\n"
      "\r\n"
      "Acre              1.234      0   1.234\r\n"
      "S&atilde;o Paulo        56.789  4.321  61.110\r\n"
      "\r\n"
      "TOTAL            58.023  4.321  62.344\r\n"
      "</PRE>\r\n",
      text);
}

TEST(TextOutput, PreformattedSortedWithHyphensAndZeroRows) {
  TabulationState state = bySexSorted();
  state.showZeroRows = true;
  state.showTotalRow = false;
  const std::string text = afterHeading(state, [](const ResultModel& m) { writePreformatted(m); });
  // Row totals never take the hyphen; the heading of a column wider than its numbers gets a
  // space before it.
  EXPECT_EQ(
      "<PRE>\r\n"
      "UF Resid             Masc      Fem     Total\r\n"
      "\r\n"
      "S&atilde;o Paulo       56.789,00 4.321,00 61.110,00\r\n"
      "Acre             1.234,50        -  1.234,50\r\n"
      "Roraima                 -        -      0,00\r\n"
      "\r\n"
      "</PRE>\r\n",
      text);
}

TEST(TextOutput, PreformattedWithMeasuresAsColumns) {
  ResultTable table;
  table.rowLabels = {"Acre", "Amapa"};
  table.measureNames = {" Nascimentos ", "Obitos_fetais"};
  table.decimals = {0, 1};
  table.cells = {{10, 2.5}, {0, 0}};
  TabulationState state = resultState(table);
  const std::string text = afterHeading(state, [](const ResultModel& m) { writePreformatted(m); });
  EXPECT_EQ(
      "<PRE>\r\n"
      "UF Resid        Nascimentos Obitos fetais\r\n"
      "\r\n"
      "Acre                     10           2,5\r\n"
      "\r\n"
      "TOTAL                    10           2,5\r\n"
      "</PRE>\r\n",
      text);
}

TEST(TextOutput, SeparatedKeepsNaturalOrderAndFixedPoint) {
  const std::string text =
      afterHeading(bySexSorted(), [](const ResultModel& m) { writeSeparated(m, ';'); });
  EXPECT_EQ(
      "<PRE>\r\n"
      "\"UF Resid\";\"Masc\";\"Fem\";\"Total\"\r\n"
      "\"Acre\";1234,50;0,00;1234,50\r\n"
      "\"S&atilde;o Paulo\";56789,00;4321,00;61110,00\r\n"
      "\"Total\";58023,50;4321,00;62344,50\r\n"
      "&\r\n"
      "</PRE>",
      text);
}

TEST(TextOutput, SeparatedWithoutTotalsAndWithZeroRows) {
  TabulationState state = bySex();
  state.showTotalRow = false;
  state.showTotalColumn = false;
  state.showZeroRows = true;
  state.language = Language::english;
  state.thousandsSeparator = ',';
  state.decimalSeparator = '.';
  state.columnDecimals[2] = 1;
  const std::string text =
      afterHeading(state, [](const ResultModel& m) { writeSeparated(m, ';'); });
  EXPECT_EQ(
      "<PRE>\r\n"
      "\"UF Resid\";\"Masc\";\"Fem\"\r\n"
      "\"Acre\";1234;0.0\r\n"
      "\"S&atilde;o Paulo\";56789;4321.0\r\n"
      "\"Roraima\";0;0.0\r\n"
      "&\r\n"
      "</PRE>",
      text);
}

TEST(TextOutput, NotebookWritesEveryRowAndColumnWithPoint) {
  const std::string text =
      afterHeading(bySexSorted(), [](const ResultModel& m) { writeNotebook(m, ';'); });
  EXPECT_EQ(
      "<PRE>\r\n"
      "\"UF Resid\";\"Masc\";\"Fem\";\"Sem info\";\"Total\"\r\n"
      "\"Acre\";1234.50;0.00;0.00;1234.50\r\n"
      "\"S\xE3o Paulo\";56789.00;4321.00;0.00;61110.00\r\n"
      "\"Roraima\";0.00;0.00;0.00;0.00\r\n"
      "\"Total\";58023.50;4321.00;0.00;62344.50\r\n"
      "</PRE>",
      text);
}

TEST(TextOutput, CsvCopyWithColumnDimension) {
  TabulationState state = bySexSorted();
  state.rowChoice = "UF_Resid                       UFRES,1,UF.CNV";
  state.columnChoice = "Sexo                           SEXO,1,SEXO.CNV";
  const std::string path = tempPath("copy.csv");
  writeFileBytes(path,
                 "an older copy, longer than the new one ....................................");
  ASSERT_FALSE(writeCsvCopy(resultModel(state), path, ';'));
  EXPECT_EQ(
      "Nascidos vivos\r\n"
      "Nascimentos por UF Resid e Sexo\r\n"
      "Per\xEDodo:1996\r\n"
      "\"UF Resid\";\"Masc\";\"Fem\";\"Total\"\r\n"
      "\"Acre\";1234,50;0,00;1234,50\r\n"
      "\"S\xE3o Paulo\";56789,00;4321,00;61110,00\r\n"
      "\"Total\";58023,50;4321,00;62344,50\r\n",
      readFileBytes(path));
}

TEST(TextOutput, CsvCopyWithMeasuresAndSelection) {
  ResultTable table;
  table.rowLabels = {"Acre", "S\xE3o Paulo", "Roraima"};
  table.measureNames = {"Nascidos_vivos", "Obitos"};
  table.decimals = {0, 1};
  table.cells = {{10, 2.25}, {0, 0}, {3, 0}};
  TabulationState state = resultState(table);
  state.periodCodes = {"96"};
  SelectionFilter age;
  age.dimension.title = "Faixa_etaria";
  age.dimension.categoryCount = 3;
  age.dimension.categoryNames = {"", "0 a 4", "5 a 9", "10 a 14", ""};
  age.selected = {false, false, true, true, false};
  SelectionFilter none = age;
  none.dimension.title = "Sexo";
  none.selected.assign(5, false);
  state.selections = {SelectionFilter(), age, none};
  state.selectionCount = 2;
  state.valueCells[1][3] = 1e16;  // beyond 15 digits
  state.columnTotals[1] = 1.234567890123456e16;
  const std::string path = tempPath("copy.csv");
  ASSERT_FALSE(writeCsvCopy(resultModel(state), path, ';'));
  EXPECT_EQ(
      "Nascidos vivos\r\n"
      "Nascidos vivosObitos por UF Resid\r\n"
      "Faixa etaria: 5 a 9, 10 a 14\r\n"
      "Sexo:\r\n"
      "Per\xEDodo:1996\r\n"
      "\"UF Resid\";\"Nascidos_vivos\";\"Obitos\"\r\n"
      "\"Acre\";10;2,3\r\n"
      "\"Roraima\";1E+16;0,0\r\n"
      "\"Total\";1,23456789012346E+16;2,3\r\n",
      readFileBytes(path));
}

TEST(TextOutput, CsvCopyThatCannotBeCreated) {
  TabulationState state = bySex();
  EXPECT_EQ(kNoCopyPermission,
            writeCsvCopy(resultModel(state), tempPath("no-such-directory/copy.csv"), ';')->text);
}
