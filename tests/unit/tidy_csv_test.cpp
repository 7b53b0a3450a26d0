#include "tidy_csv.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "program_run.h"
#include "regions_result.h"
#include "result_model.h"
#include "result_state.h"

namespace {

std::string tidyCsv(const TabulationState& state) {
  const ResultModel model = resultModel(state);
  return runInChild([&] { writeTidyCsv(stdout, model); }).output;
}

}  // namespace

TEST(TidyCsv, OneLinePerPublishedCellWithItsLevel) {
  const std::string row = ",Nascimentos,Nascimentos,";
  EXPECT_EQ(std::string(kTidyCsvHeader) + "\r\n" + "_T,Total,1,Masc" + row + "3,,total\r\n" +
                "_T,Total,2,Fem" + row + "4,,total\r\n" + "_T,Total,_T,Total" + row +
                "7,,total\r\n" + "1,Norte,1,Masc" + row + "3,,subtotal\r\n" + "1,Norte,2,Fem" +
                row + "4,,subtotal\r\n" + "1,Norte,_T,Total" + row + "7,,total\r\n" +
                "12,Acre,1,Masc" + row + "1,,plain\r\n" + "12,Acre,2,Fem" + row + "2,,plain\r\n" +
                "12,Acre,_T,Total" + row + "3,,total\r\n" + "15,Par\xC3\xA1,1,Masc" + row +
                "2,,plain\r\n" + "15,Par\xC3\xA1,2,Fem" + row + "2,,plain\r\n" +
                "15,Par\xC3\xA1,_T,Total" + row + "4,,total\r\n" + "99,Ignorado,1,Masc" + row +
                "1,,excluded\r\n" + "99,Ignorado,2,Fem" + row + "0,,excluded\r\n" +
                "99,Ignorado,_T,Total" + row + "1,,total\r\n",
            tidyCsv(regionsBySex()));
}

TEST(TidyCsv, PlainLinesSumToTheTotals) {
  // What the level is for: a script that keeps the plain lines counts each record once.
  const std::string csv = tidyCsv(regionsBySex());
  std::map<std::string, double> plain, total;
  std::size_t start = csv.find("\r\n") + 2;
  while (start < csv.size()) {
    const std::size_t end = csv.find("\r\n", start);
    std::vector<std::string> fields(1);
    for (std::size_t i = start; i < end; ++i) {
      if (csv[i] == ',') {
        fields.emplace_back();
      } else {
        fields.back() += csv[i];
      }
    }
    start = end + 2;
    ASSERT_EQ(9u, fields.size());
    if (fields[8] == "plain") plain[fields[2]] += std::stod(fields[6]);
    if (fields[0] == "_T") total[fields[2]] += std::stod(fields[6]);
  }
  EXPECT_EQ((std::map<std::string, double>{{"1", 3}, {"2", 4}}), plain);
  EXPECT_EQ((std::map<std::string, double>{{"1", 3}, {"2", 4}, {"_T", 7}}), total);
}

TEST(TidyCsv, MeasuresWithoutColumnsQuotedLabelsAndThePagesRows) {
  ResultTable table;
  table.rowLabels = {"Rio \"RJ\"", "S\xE3o Paulo, capital", "Vazio"};
  table.measureNames = {"Nascimentos",
                        "Peso_m\xE9"
                        "dio"};
  table.decimals = {0, 3};
  table.cells = {{2, -1.5}, {10, 3.1236}, {0, 0}};
  TabulationState state = resultState(table);
  state.rowDimension.categoryCodes = {"", "3304557", "3550308", ""};
  // Sorted as the page shows it: the largest total first.
  state.sortRows = true;
  state.rowOrder = {0, 3, 1, 2};
  const std::string measures = ",Nascimentos,Nascimentos,";
  const std::string weights =
      ",Peso_m\xC3\xA9"
      "dio,Peso m\xC3\xA9"
      "dio,";
  const std::string expected =
      std::string(kTidyCsvHeader) + "\r\n" + "_T,Total,," + measures + "12,,total\r\n" +
      "_T,Total,," + weights + "1.624,,total\r\n" + "3550308,\"S\xC3\xA3o Paulo, capital\",," +
      measures + "10,,plain\r\n" + "3550308,\"S\xC3\xA3o Paulo, capital\",," + weights +
      "3.124,,plain\r\n" + "3304557,\"Rio \"\"RJ\"\"\",," + measures + "2,,plain\r\n" +
      "3304557,\"Rio \"\"RJ\"\"\",," + weights + "-1.500,,plain\r\n";
  EXPECT_EQ(expected, tidyCsv(state));

  // A row of zeros is published when the page shows it.
  state.showZeroRows = true;
  EXPECT_EQ(expected + "3,Vazio,," + measures + "0,,plain\r\n" + "3,Vazio,," + weights +
                "0.000,,plain\r\n",
            tidyCsv(state));
}

TEST(TidyCsv, ConfidentialityMarksStandInTheFlag) {
  // A suppressed or not computable value is left out and flagged; an unreliable one is flagged
  // beside its value.
  ResultModel model = resultModel(regionsBySex());
  markCell(model, 2, 1, CellMark::suppressed);
  markCell(model, 2, 2, CellMark::unreliable);
  markCell(model, 3, 0, CellMark::notComputable);
  model.markLegend = "X: suprimido";
  const std::string csv = runInChild([&] { writeTidyCsv(stdout, model); }).output;
  const std::string row = ",Nascimentos,Nascimentos,";
  for (const std::string& line :
       {"12,Acre,1,Masc" + row + ",X,plain\r\n", "12,Acre,2,Fem" + row + "2,*,plain\r\n",
        "15,Par\xC3\xA1,_T,Total" + row + ",..,total\r\n",
        "12,Acre,_T,Total" + row + "3,,total\r\n"}) {
    EXPECT_NE(std::string::npos, csv.find(line)) << line << csv;
  }
}
