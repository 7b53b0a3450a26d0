#include "confidentiality.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "html_table.h"
#include "postprocess.h"
#include "program_run.h"
#include "result_model.h"
#include "result_state.h"
#include "tab_export.h"
#include "test_paths.h"
#include "text_output.h"

namespace {

// Deaths over events (a case-fatality rate per 100) by region and sex: Norte sums Alfa and
// Beta and is left out of the totals. `counts` are the records of each cell, rows of columns;
// `deaths` the numerators.
TabulationState fatality(const std::vector<std::vector<double>>& counts,
                         const std::vector<std::vector<double>>& deaths) {
  ResultTable table;
  table.rowLabels = {"Norte", "Alfa", "Beta"};
  table.columnChoice = "Sexo";
  table.columnLabels = {"Masc", "Fem"};
  table.measureNames = {"Letalidade"};
  table.decimals = {1, 1};
  table.cells = deaths;
  TabulationState state = resultState(table);
  state.rowDimension.rollUpTarget = {0, -1, 1, 1};
  state.measures[1].isRate = true;
  state.measures[1].secondField = "#";
  state.measures[1].multiplier = 100;
  state.countCells = state.valueCells;
  for (std::size_t r = 0; r < counts.size(); ++r) {
    for (std::size_t c = 0; c < counts[r].size(); ++c) {
      state.countCells[c + 1][r + 1] = counts[r][c];
      state.divisorCells[c + 1][r + 1] = counts[r][c];
    }
  }
  return state;
}

// The request's steps from the finished cells to the marked model.
ResultModel protectedModel(TabulationState& state) {
  finishTotals(state);
  const ProtectionSources sources = protectionSources(state);
  if (state.measures[1].isRate) rateWithColumns(state);
  ResultModel model = resultModel(state);
  markProtectedCells(model, sources, state);
  return model;
}

// Each cell's mark as one character, the totals row first: "." none, X, * and ":" for "..".
std::string marksOf(const ResultModel& model) {
  const char symbols[] = {'.', 'X', '*', ':'};
  std::string text;
  for (int r = 0; r <= model.rowCount; ++r) {
    if (r > 0) text += '/';
    for (int c = 0; c <= model.columnCount; ++c) {
      text += symbols[static_cast<int>(model.mark(r, c))];
    }
  }
  return text;
}

}  // namespace

TEST(Confidentiality, CountsAreTotalledAndRolledUpLikeTheValues) {
  TabulationState state = fatality({{0, 0}, {4, 1}, {2, 6}}, {{0, 0}, {1, 0}, {0, 3}});
  state.smallCountLimit = 5;
  finishTotals(state);
  const ProtectionSources sources = protectionSources(state);
  // Totals row (Norte left out), Norte (Alfa and Beta), Alfa, Beta; totals column first.
  EXPECT_EQ((std::vector<double>{13, 6, 7, 13, 6, 7, 5, 4, 1, 8, 2, 6}), sources.counts);
  EXPECT_TRUE(sources.numerators.empty());

  // Without a column dimension every measure column counts the same records; the numerators of
  // a rate are kept before the rate replaces them.
  ResultTable table;
  table.rowLabels = {"Alfa", "Beta"};
  table.measureNames = {"Custo", "Custo medio"};
  table.cells = {{10, 10}, {30, 30}};
  state = resultState(table);
  state.measures[2].isRate = true;
  state.smallCountLimit = 3;
  state.unreliableLimit = 20;
  state.countCells = state.valueCells;
  state.countCells[1] = {0, 2, 5, 0};
  state.countCells[2] = {0, 0, 0, 0};
  finishTotals(state);
  const ProtectionSources both = protectionSources(state);
  EXPECT_EQ((std::vector<double>{7, 7, 7, 2, 2, 2, 5, 5, 5}), both.counts);
  EXPECT_EQ((std::vector<double>{80, 40, 40, 20, 10, 10, 60, 30, 30}), both.numerators);
}

TEST(Confidentiality, MarksFollowTheOptions) {
  // Events: Alfa 4 men and 1 woman, Beta no man and 6 women; deaths: 1 of Alfa's men, 3 of
  // Beta's women. Beta's men hold no rate at all: a zero divisor.
  const std::vector<std::vector<double>> counts = {{0, 0}, {4, 1}, {0, 6}};
  const std::vector<std::vector<double>> deaths = {{0, 0}, {1, 0}, {0, 3}};
  const struct {
    const char* what;
    int limit;
    double unreliable;
    const char* marks;
  } cases[] = {
      {"off", 0, 0, ".../.../.../..."},
      {"unreliable below 4 deaths", 0, 4, ".**/.**/***/*:*"},
      // Alfa's single woman, then complements, the lowest relation first: Alfa's men in her
      // row, Norte's men in their roll-up, Norte's women in Norte's row, then the totals; a
      // rate is suppressed like the count it rests on.
      {"suppressed below 3 events", 3, 0, ".XX/.XX/.XX/.:."},
      // "X" hides a value, and its "*" with it.
      {"both", 3, 4, ".XX/.XX/*XX/*:*"},
  };
  for (const auto& c : cases) {
    TabulationState state = fatality(counts, deaths);
    state.smallCountLimit = c.limit;
    state.unreliableLimit = c.unreliable;
    const ResultModel model = protectedModel(state);
    EXPECT_EQ(c.marks, marksOf(model)) << c.what;
    EXPECT_EQ(c.limit > 0 || c.unreliable > 0, !model.markLegend.empty()) << c.what;
  }

  // A count table can show no "*" or "..": under OINSTAVEL alone it stays as it was.
  ResultTable table;
  table.rowLabels = {"Alfa"};
  table.cells = {{1}};
  TabulationState counted = resultState(table);
  counted.unreliableLimit = 20;
  const ResultModel model = protectedModel(counted);
  EXPECT_TRUE(model.marks.empty());
  EXPECT_EQ("", model.markLegend);
}

TEST(Confidentiality, EveryOutputWritesTheMarksAndTheLegend) {
  ResultTable table;
  table.rowLabels = {"Alfa", "Beta"};
  table.columnChoice = "Sexo";
  table.columnLabels = {"Masc", "Fem"};
  table.decimals = {1, 1};
  table.cells = {{12.5, 3}, {7, 40}};
  TabulationState state = resultState(table);
  state.periodCodes = {"98"};
  ResultModel model = resultModel(state);
  markCell(model, 1, 1, CellMark::unreliable);
  markCell(model, 1, 2, CellMark::suppressed);
  markCell(model, 2, 2, CellMark::suppressed);
  markCell(model, 2, 1, CellMark::notComputable);
  model.markLegend = "X: suprimido; *: inst\xE1vel; ..: n\xE3o calcul\xE1vel";

  const std::string htmlLegend =
      "X: suprimido; *: inst&aacute;vel; ..: n&atilde;o calcul&aacute;vel";
  auto page = [&](std::function<void(const ResultModel&)> writer) {
    return runInChild([&] { writer(model); }).output;
  };
  auto file = [&](std::function<Status(const ResultModel&, const std::string&)> writer) {
    const std::string path = tempPath("copy");
    EXPECT_FALSE(writer(model, path));
    return readFileBytes(path);
  };
  const struct {
    const char* output;
    std::string text;
    std::vector<std::string> fragments;  // in this order
  } cases[] = {
      {"plain table",
       page(writePlainTable),
       {"<TD>12,5*<TD>X<TD>15,5", "<TD>..<TD>X<TD>47,0",
        "</TABLE>\r\n<P CLASS=\"legenda\">" + htmlLegend + "</P>\r\n</CENTER>"}},
      {"styled table",
       page(writeStyledTable),
       {"<P CLASS=\"legenda\">" + htmlLegend + "</P>\r\n&nbsp;\r\n</TFOOT>",
        "<TD>12,5*<TD>X<TD>15,5", "<TD>..<TD>X<TD>47,0"}},
      {"pre",
       page(writePreformatted),
       {"Alfa            12,5*     X   15,5\r\n", "Beta               ..     X   47,0\r\n",
        "\r\n\r\n" + htmlLegend + "\r\n</PRE>"}},
      {"prn",
       page([](const ResultModel& m) { writeSeparated(m, ';'); }),
       {"\"Alfa\";12,5*;X;15,5\r\n", "\"Beta\";..;X;47,0\r\n", "\"" + htmlLegend + "\"\r\n&\r\n"}},
      {"notebook",
       page([](const ResultModel& m) { writeNotebook(m, ';'); }),
       {"\"Alfa\";12.5*;X;15.5\r\n", "\"Beta\";..;X;47.0\r\n",
        "\"X: suprimido; *: inst\xE1vel; ..: n\xE3o calcul\xE1vel\"\r\n</PRE>"}},
      {"CSV copy",
       file([](const ResultModel& m, const std::string& p) { return writeCsvCopy(m, p, ';'); }),
       {"\"Alfa\";12,5*;X;15,5\r\n", "\"Beta\";..;X;47,0\r\n",
        "\r\n\"X: suprimido; *: inst\xE1vel; ..: n\xE3o calcul\xE1vel\"\r\n"}},
      {"spreadsheet copy",
       file(writeSpreadsheetCopy),
       {"\"Alfa\";12,5*;X;15,5\r\n", "\"Beta\";..;X;47,0\r\n",
        "\r\n\"X: suprimido; *: inst\xE1vel; ..: n\xE3o calcul\xE1vel\"\r\n"}},
  };
  for (const auto& c : cases) {
    std::size_t at = 0;
    for (const std::string& fragment : c.fragments) {
      const std::size_t found = c.text.find(fragment, at);
      EXPECT_NE(std::string::npos, found) << c.output << ": " << fragment << "\n" << c.text;
      if (found != std::string::npos) at = found + fragment.size();
    }
  }
}
