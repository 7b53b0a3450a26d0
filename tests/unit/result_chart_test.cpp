// The chart below the modern result: which rows and columns become bars and in what order, the
// titles that carry the table's own texts, the marks, the axis, and what the chart says when it
// leaves something out.
#include "result_chart.h"

#include <gtest/gtest.h>

#include <regex>

#include "html_table.h"
#include "program_run.h"
#include "result_state.h"

namespace {

std::string chartOf(const ResultModel& model) {
  return runInChild([&] { writeResultChart(model); }).output;
}

std::vector<std::string> matches(const std::string& text, const char* pattern) {
  std::vector<std::string> found;
  const std::regex expression(pattern);
  for (std::sregex_iterator m(text.begin(), text.end(), expression), end; m != end; ++m) {
    found.push_back((*m)[1]);
  }
  return found;
}

std::vector<std::string> titles(const std::string& chart) {
  return matches(chart, "<title>([^<]*)</title>");
}

// Towns of two regions, each region a summary row that its towns roll up into.
TabulationState towns() {
  ResultTable table;
  table.rowTitle = "Munic\xEDpio";
  table.rowLabels = {"Norte", "Acre", "Amap\xE1", "Sul", "Bag\xE9", "Vazia"};
  table.cells = {{1300}, {1200}, {100}, {7}, {7}, {0}};
  TabulationState state = resultState(table);
  state.rowDimension.rollUpTarget = {0, 0, 1, 1, 0, 4, 0};
  return state;
}

}  // namespace

TEST(ResultChart, OneBarPerRowInTheTablesOrderSummaryRowsLeftOut) {
  TabulationState state = towns();
  const std::string chart = chartOf(resultModel(state));
  EXPECT_EQ((std::vector<std::string>{"Acre: 1.200", "Amap&aacute;: 100", "Bag&eacute;: 7"}),
            titles(chart));
  EXPECT_NE(std::string::npos,
            chart.find("<figure class=\"vx-grafico\">\r\n<figcaption><h2 id=\"vx-grafico-titulo\">"
                       "Gr\xE1"
                       "fico: Nascimentos por Munic&iacute;pio</h2>\r\n</figcaption>\r\n"
                       "<svg class=\"vx-barras\" viewBox=\"0 0 720 108\" width=\"720\" "
                       "height=\"108\" role=\"group\" aria-labelledby=\"vx-grafico-titulo\">"))
      << chart;
  // Ticks in the page's number format; one bar's length against the axis.
  EXPECT_EQ((std::vector<std::string>{"0", "200", "400", "600", "800", "1.000", "1.200"}),
            matches(chart, "<text class=\"vx-marca\"[^>]*>([^<]*)</text>"));
  EXPECT_EQ(
      (std::vector<std::string>{"631", "52.6", "3.7"}),
      matches(chart, "<rect class=\"vx-s1\" x=\"[0-9.]+\" y=\"[0-9.]+\" width=\"([0-9.]+)\""));
  EXPECT_EQ(std::string::npos, chart.find("vx-cores")) << "a legend for one measure";

  // Sorted, in the order the table shows (the sort's order is read from its end).
  state.sortRows = true;
  state.rowOrder = {0, 6, 5, 4, 2, 3, 1};
  EXPECT_EQ((std::vector<std::string>{"Amap&aacute;: 100", "Acre: 1.200", "Bag&eacute;: 7"}),
            titles(chartOf(resultModel(state))));
  state.showZeroRows = true;
  EXPECT_EQ(
      (std::vector<std::string>{"Amap&aacute;: 100", "Acre: 1.200", "Bag&eacute;: 7", "Vazia: 0"}),
      titles(chartOf(resultModel(state))));
}

TEST(ResultChart, MarksAsTheTableWritesThemAndNoAxisForWhatIsHidden) {
  ResultTable table;
  table.rowLabels = {"A", "B", "C", "D"};
  table.measureNames = {"Taxa"};
  table.decimals = {2};
  table.cells = {{12.5}, {900}, {3.25}, {0}};
  ResultModel model = resultModel(resultState(table));
  markCell(model, 1, 1, CellMark::unreliable);
  markCell(model, 2, 1, CellMark::suppressed);
  markCell(model, 3, 1, CellMark::notComputable);
  const std::string chart = chartOf(model);
  std::vector<std::string> expected;
  for (int row = 1; row <= 3; ++row) {
    expected.push_back(std::string(1, static_cast<char>('A' + row - 1)) + ": " +
                       tableCellText(model, row, 1));
  }
  EXPECT_EQ((std::vector<std::string>{"A: 12,50*", "B: X", "C: .."}), expected);
  EXPECT_EQ(expected, titles(chart));
  EXPECT_NE(std::string::npos, chart.find("<rect class=\"vx-s1 vx-instavel\"")) << chart;
  EXPECT_NE(std::string::npos, chart.find(">12,50*</text>")) << chart;
  // The suppressed value: an outlined box that says nothing of its size, marked X.
  EXPECT_NE(std::string::npos,
            chart.find("<rect class=\"vx-vazio\" x=\"22.5\" y=\"32\" width=\"24\" height=\"16\"/>"
                       "<text class=\"vx-valor\" x=\"34.5\" y=\"44\" text-anchor=\"middle\">X"
                       "</text>"))
      << chart;
  EXPECT_EQ(2u, matches(chart, "(<rect )").size()) << "no bar for the value not computable";
  // 900 is hidden: the axis ends where the published values do.
  EXPECT_EQ((std::vector<std::string>{"0", "2", "4", "6", "8", "10", "12", "14"}),
            matches(chart, "<text class=\"vx-marca\"[^>]*>([^<]*)</text>"));
}

TEST(ResultChart, TheFortyLargestRowsOfWhatIsPublished) {
  ResultTable table;
  for (int r = 1; r <= 45; ++r) {
    table.rowLabels.push_back("L" + std::to_string(r));
    table.cells.push_back({static_cast<double>(r)});
  }
  ResultModel model = resultModel(resultState(table));
  // The largest value is suppressed: it does not take a place among the largest.
  markCell(model, 45, 1, CellMark::suppressed);
  const std::string chart = chartOf(model);
  std::vector<std::string> expected;
  for (int r = 5; r <= 44; ++r)
    expected.push_back("L" + std::to_string(r) + ": " + std::to_string(r));
  EXPECT_EQ(expected, titles(chart));
  EXPECT_NE(std::string::npos,
            chart.find("<p>Mostradas as 40 linhas de maior valor, de 45.</p>\r\n</figcaption>"))
      << chart;
}

TEST(ResultChart, ColumnCategoriesAsGroupedBarsUpToEight) {
  ResultTable table;
  table.columnChoice = "Sexo";
  table.rowLabels = {"A", "B"};
  table.columnLabels = {"Masc", "Fem", "Ign"};
  table.cells = {{3, 4, 0}, {5, 6, 0}};
  TabulationState state = resultState(table);
  std::string chart = chartOf(resultModel(state));
  // A column of nothing is not written, so it has no bars.
  EXPECT_EQ((std::vector<std::string>{"A, Masc: 3", "A, Fem: 4", "B, Masc: 5", "B, Fem: 6"}),
            titles(chart));
  EXPECT_NE(std::string::npos,
            chart.find("fico: Nascimentos por UF Resid e Sexo</h2>\r\n</figcaption>\r\n"
                       "<ul class=\"vx-cores\">\r\n"
                       "<li><span class=\"vx-amostra vx-s1\"></span>Masc</li>\r\n"
                       "<li><span class=\"vx-amostra vx-s2\"></span>Fem</li>\r\n</ul>"))
      << chart;
  EXPECT_EQ((std::vector<std::string>{"1", "2", "1", "2"}),
            matches(chart, "<rect class=\"vx-s([0-9])\""));
  // The row's label is read once, in each bar's title.
  EXPECT_NE(std::string::npos,
            chart.find("<g class=\"vx-linha\">\r\n<text class=\"vx-rotulo\" x=\"14.5\" y=\"24\" "
                       "text-anchor=\"end\" aria-hidden=\"true\">A</text>"))
      << chart;

  // Nine categories: one bar per row, its total; without the totals column, the first eight.
  table.columnLabels = {"1", "2", "3", "4", "5", "6", "7", "8", "9"};
  table.cells = {{1, 1, 1, 1, 1, 1, 1, 1, 1}, {2, 2, 2, 2, 2, 2, 2, 2, 2}};
  state = resultState(table);
  chart = chartOf(resultModel(state));
  EXPECT_EQ((std::vector<std::string>{"A: 9", "B: 18"}), titles(chart));
  EXPECT_NE(std::string::npos,
            chart.find("fico: Nascimentos por UF Resid</h2>\r\n<p>Com mais de 8 colunas, cada "
                       "barra mostra o total da linha.</p>"))
      << chart;
  state.showTotalColumn = false;
  chart = chartOf(resultModel(state));
  EXPECT_EQ(16u, titles(chart).size());
  EXPECT_EQ("B, 8: 2", titles(chart).back());
  EXPECT_NE(std::string::npos, chart.find("<p>Mostradas as 8 primeiras de 9 colunas.</p>"))
      << chart;
}

TEST(ResultChart, LongLabelsAreCutBesideTheBarNotInTheTitle) {
  ResultTable table;
  table.language = Language::english;
  table.rowLabels = {"S\xE3o Jo\xE3o da Boa Vista do Norte Grande"};
  table.cells = {{2500}};
  const std::string chart = chartOf(resultModel(resultState(table)));
  EXPECT_EQ(
      (std::vector<std::string>{"S&atilde;o Jo&atilde;o da Boa Vista do Norte Grande: 2,500"}),
      titles(chart));
  EXPECT_NE(std::string::npos, chart.find(">S&atilde;o Jo&atilde;o da Boa Vista do...</text>"))
      << chart;
  EXPECT_NE(std::string::npos, chart.find("<h2 id=\"vx-grafico-titulo\">Chart: Nascimentos by "
                                          "UF Resid</h2>"))
      << chart;
}
