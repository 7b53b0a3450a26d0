#include "cell_suppression.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "confidentiality.h"
#include "postprocess.h"
#include "result_model.h"
#include "result_state.h"

namespace {

// A count table of `cells` (rows of columns), with a totals row and column, through the same
// totals and roll-ups as a request.
ResultModel countModel(const std::vector<std::vector<double>>& cells,
                       const std::vector<std::int16_t>& targets = {}) {
  ResultTable table;
  table.columnChoice = "Sexo";
  for (std::size_t r = 0; r < cells.size(); ++r)
    table.rowLabels.push_back("R" + std::to_string(r + 1));
  for (std::size_t c = 0; c < cells[0].size(); ++c) {
    table.columnLabels.push_back("C" + std::to_string(c + 1));
  }
  table.cells = cells;
  TabulationState state = resultState(table);
  if (!targets.empty()) state.rowDimension.rollUpTarget = targets;
  finishTotals(state);
  return resultModel(state);
}

SuppressionInput countsOf(const ResultModel& model) {
  SuppressionInput input;
  input.counts = model.values;
  input.sizes = model.values;
  return input;
}

// "r,c" for each cell of a relation, the total first, then "=" and the parts.
std::string relationText(const ResultModel& model, const CellRelation& relation) {
  std::string text;
  for (std::size_t i = 0; i < relation.cells.size(); ++i) {
    const std::size_t cell = relation.cells[i];
    const std::size_t width = static_cast<std::size_t>(model.columnCount) + 1;
    if (i > 0) text += static_cast<int>(i) == relation.totals ? "=" : "+";
    text += std::to_string(cell / width) + "," + std::to_string(cell % width);
  }
  if (relation.totals == 0) text = "0=" + text;
  return text;
}

std::vector<std::string> relationTexts(const ResultModel& model, RelationKinds kinds = {}) {
  std::vector<std::string> texts;
  for (const CellRelation& relation : shownRelations(model, kinds)) {
    texts.push_back(relationText(model, relation));
  }
  return texts;
}

// The marks as rows of "X" and "." in the model's layout, the totals row first.
std::string marksText(const ResultModel& model, const std::vector<bool>& suppressed) {
  std::string text;
  for (int r = 0; r <= model.rowCount; ++r) {
    if (r > 0) text += '/';
    for (int c = 0; c <= model.columnCount; ++c) {
      text += suppressed[model.cellIndex(r, c)] ? 'X' : '.';
    }
  }
  return text;
}

// An independent account of what a reader can work out, by linear algebra over the records as
// they fell into each row's own cells before any roll-up: every published cell is a sum of
// those, a published value (or a cell of a row or column hidden because it is zero) is a known
// sum, and a suppressed value is exposed when its sum is a combination of the known ones.
// Returns the exposed cells.
std::vector<std::size_t> exposedCells(const ResultModel& model, const std::vector<bool>& marks) {
  const int rows = model.rowCount, columns = model.columnCount;
  const std::size_t atoms = static_cast<std::size_t>(rows * columns);
  auto atom = [&](int r, int c) { return static_cast<std::size_t>((r - 1) * columns + (c - 1)); };
  // Each row's descendants through the roll-up, itself included.
  std::vector<std::vector<int>> below(static_cast<std::size_t>(rows) + 1);
  for (int r = 1; r <= rows; ++r) {
    for (int d = r; d != 0;) {
      below[d].push_back(r);
      const int t = model.rollUpTarget[d];
      d = t >= 1 && t <= rows && t != d ? t : 0;
    }
  }
  auto sumOf = [&](int r, int c) {
    std::vector<double> f(atoms, 0.0);
    const int firstColumn = c == 0 ? 1 : c, lastColumn = c == 0 ? columns : c;
    for (int k = firstColumn; k <= lastColumn; ++k) {
      if (r == 0) {
        for (int d = 1; d <= rows; ++d) {
          if (model.rollUpTarget[d] >= 0) f[atom(d, k)] += 1;
        }
      } else {
        for (const int d : below[r]) f[atom(d, k)] += 1;
      }
    }
    return f;
  };
  const std::vector<bool> published = publishedCells(model);
  std::vector<std::vector<double>> basis;  // echelon rows, each with its pivot
  std::vector<std::size_t> pivots;
  auto reduce = [&](std::vector<double> f) {
    for (std::size_t k = 0; k < basis.size(); ++k) {
      const double factor = f[pivots[k]] / basis[k][pivots[k]];
      if (factor != 0) {
        for (std::size_t a = 0; a < atoms; ++a) f[a] -= factor * basis[k][a];
      }
    }
    return f;
  };
  auto largest = [&](const std::vector<double>& f) {
    std::size_t best = 0;
    for (std::size_t a = 1; a < atoms; ++a) best = std::fabs(f[a]) > std::fabs(f[best]) ? a : best;
    return best;
  };
  for (int r = 0; r <= rows; ++r) {
    for (int c = 0; c <= columns; ++c) {
      const std::size_t cell = model.cellIndex(r, c);
      const bool rowHidden = r > 0 && !rowWritten(model, r);
      const bool columnHidden = c > 0 && !columnWritten(model, c);
      // The totals column of a table without a column dimension is never written.
      const bool absentTotal = (c == 0 && !model.columnActive) ||
                               (r == 0 && !model.totalRowShown) ||
                               (c == 0 && !totalsColumnWritten(model));
      // A reader takes a hidden row or column for zeros; only where that is true does it help.
      const bool known = (published[cell] && !marks[cell]) ||
                         ((rowHidden || columnHidden) && !absentTotal && model.values[cell] == 0);
      if (!known) continue;
      std::vector<double> f = reduce(sumOf(r, c));
      const std::size_t p = largest(f);
      if (std::fabs(f[p]) > 1e-9) {
        basis.push_back(f);
        pivots.push_back(p);
      }
    }
  }
  std::vector<std::size_t> exposed;
  for (std::size_t cell = 0; cell < marks.size(); ++cell) {
    if (!marks[cell] || !published[cell]) continue;
    const std::vector<double> f = reduce(
        sumOf(static_cast<int>(cell / (columns + 1)), static_cast<int>(cell % (columns + 1))));
    if (std::fabs(f[largest(f)]) <= 1e-9) exposed.push_back(cell);
  }
  return exposed;
}

}  // namespace

TEST(CellSuppression, RelationsAreTheSumsTheTableShows) {
  // Rows: 1 Norte (summary, left out of the totals), 2 Alfa and 3 Beta (into Norte), 4 Outros;
  // columns M and F.
  const std::vector<std::vector<double>> cells = {{0, 0}, {3, 4}, {5, 6}, {7, 8}};
  const std::vector<std::int16_t> regions = {0, -1, 1, 1, 0};
  ResultModel model = countModel(cells, regions);
  EXPECT_EQ((std::vector<std::string>{
                // each row with its total
                "0,0=0,1+0,2", "1,0=1,1+1,2", "2,0=2,1+2,2", "3,0=3,1+3,2", "4,0=4,1+4,2",
                // the summary row with its rows, in each column
                "1,0=2,0+3,0", "1,1=2,1+3,1", "1,2=2,2+3,2",
                // each column with the rows its total counts, then with the summary instead
                "0,0=2,0+3,0+4,0", "0,0=1,0+4,0", "0,1=2,1+3,1+4,1", "0,1=1,1+4,1",
                "0,2=2,2+3,2+4,2", "0,2=1,2+4,2"}),
            relationTexts(model));

  // A zero row and a zero column are no part of any sum; a summary row that is itself counted
  // stands for its rows in the column totals.
  model = countModel({{0, 0, 0}, {3, 0, 4}, {0, 0, 0}, {7, 0, 8}}, {0, 0, 1, 1, 0});
  EXPECT_EQ((std::vector<std::string>{"0,0=0,1+0,3", "1,0=1,1+1,3", "2,0=2,1+2,3", "4,0=4,1+4,3",
                                      "1,0=2,0", "1,1=2,1", "1,3=2,3", "0,0=1,0+4,0", "0,1=1,1+4,1",
                                      "0,3=1,3+4,3"}),
            relationTexts(model));

  // Without the totals column there is no row sum; without the totals row no column sum, but
  // the summary rows still add up.
  model = countModel(cells, regions);
  model.totalColumnShown = false;
  model.totalRowShown = false;
  EXPECT_EQ((std::vector<std::string>{"1,1=2,1+3,1", "1,2=2,2+3,2"}), relationTexts(model));

  // Only the row sums, as for the shares of each row.
  model = countModel({{1, 2}, {3, 4}});
  EXPECT_EQ((std::vector<std::string>{"0,0=0,1+0,2", "1,0=1,1+1,2", "2,0=2,1+2,2"}),
            relationTexts(model, {true, false}));
}

TEST(CellSuppression, ComplementsFollowTheRules) {
  const struct {
    const char* what;
    std::vector<std::vector<double>> cells;
    int limit;
    const char* marks;  // totals row first, totals column first in each row
  } cases[] = {
      {"nothing small", {{5, 6}, {7, 8}}, 5, ".../.../..."},
      // The classic rectangle: the small cell, the smallest beside it in its row and in its
      // column, and the cell that closes both.
      {"a rectangle", {{1, 10}, {20, 30}}, 3, ".../.XX/.XX"},
      // Ties go to the first cell; zeros are published and never taken.
      {"ties by position", {{1, 0, 7, 7}, {9, 0, 8, 9}}, 2, "...../.X.X./.X.X."},
      // A small total is suppressed like any cell, and takes its complements in turn.
      {"a small total", {{2, 0}, {0, 9}}, 3, ".XX/XX./X.X"},
  };
  for (const auto& c : cases) {
    const ResultModel model = countModel(c.cells);
    const std::vector<bool> marks = suppressedCells(model, countsOf(model), c.limit);
    EXPECT_EQ(c.marks, marksText(model, marks)) << c.what;
    EXPECT_EQ(std::vector<std::size_t>{}, exposedCells(model, marks)) << c.what;
  }
}

TEST(CellSuppression, AZeroSumIsNeverAComplement) {
  // Costs: a small cell of 7 beside a cost of 0 over ten records. The 0 hides nothing, so the
  // row's total covers the small cell, and the search goes on from there.
  const ResultModel model = countModel({{7, 0}, {5, 6}});
  SuppressionInput input = countsOf(model);
  input.counts = {19, 5, 14, 12, 2, 10, 7, 3, 4};
  const std::vector<bool> marks = suppressedCells(model, input, 3);
  EXPECT_EQ(".../XX./XX.", marksText(model, marks));
  EXPECT_EQ(std::vector<std::size_t>{}, exposedCells(model, marks));
}

TEST(CellSuppression, CellsJoiningTwoSafeBlocksAreCoveredToo) {
  // Two rectangles of small cells joined by cell (2, 3): every row and column holds two or more
  // suppressed cells, yet adding rows 1 and 2 and taking away columns 1 and 2 gives (2, 3).
  const double s = 1;
  const std::vector<std::vector<double>> cells = {
      {s, s, 40, 41}, {s, s, s, 12}, {30, 31, s, s}, {32, 33, s, s}};
  const ResultModel model = countModel(cells);
  std::vector<bool> primary(model.values.size(), false);
  for (std::size_t i = 0; i < primary.size(); ++i) primary[i] = model.values[i] == s;
  EXPECT_EQ(std::vector<std::size_t>{model.cellIndex(2, 3)}, exposedCells(model, primary));
  const std::vector<bool> marks = suppressedCells(model, countsOf(model), 2);
  // One more cell, in the joining cell's row and reaching the other block: (2, 4).
  std::vector<bool> expected = primary;
  expected[model.cellIndex(2, 4)] = true;
  EXPECT_EQ(marksText(model, expected), marksText(model, marks));
  EXPECT_EQ(std::vector<std::size_t>{}, exposedCells(model, marks));
}

TEST(CellSuppression, KnownCellsAreNeitherUnknownsNorComplements) {
  // Shares of each row: the row total is 100 whatever it shows, so a small share needs another
  // share of its row beside it, never the 100.
  ResultModel model = countModel({{1, 30, 69}, {50, 0, 50}});
  SuppressionInput input = countsOf(model);
  input.known.assign(model.values.size(), false);
  for (int r = 0; r <= model.rowCount; ++r) input.known[model.cellIndex(r, 0)] = true;
  input.kinds = {true, false};
  EXPECT_EQ("..../.XX./....", marksText(model, suppressedCells(model, input, 2)));
}

TEST(CellSuppression, RandomTablesKeepEveryPromise) {
  std::mt19937 random(20250602);
  auto pick = [&](int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random);
  };
  int tables = 0, suppressedTables = 0;
  for (int round = 0; round < 1500; ++round) {
    const int limit = std::vector<int>{2, 3, 5}[pick(0, 2)];
    const int rows = pick(1, 8);
    const bool columnActive = pick(0, 9) < 7;
    const int columns = columnActive ? pick(1, 5) : pick(1, 2);

    // Roll-up layouts: none; groups under summary rows left out of the totals (a row now and
    // then on its own, or left out with records of its own); a chain; a summary row that is
    // itself counted.
    std::vector<std::int16_t> targets(static_cast<std::size_t>(rows) + 1, 0);
    std::vector<bool> summary(static_cast<std::size_t>(rows) + 1, false);
    const int layout = pick(0, 3);
    int group = 0, middle = 0;
    for (int r = 1; r <= rows && layout > 0; ++r) {
      const int kind = pick(0, 9);
      if (kind < 3) {
        summary[r] = true;
        targets[r] = layout == 3 ? 0 : layout == 2 && group != 0 && pick(0, 1) ? group : -1;
        if (targets[r] == -1 || targets[r] == 0)
          group = r, middle = 0;
        else
          middle = r;
      } else if (kind < 8 && (group != 0 || middle != 0)) {
        targets[r] = static_cast<std::int16_t>(middle != 0 ? middle : group);
      } else {
        targets[r] = kind == 9 ? -1 : 0;
      }
    }

    // Many small counts, some zeros, some large; summary rows mostly without records of their own.
    auto count = [&](int r) {
      const int kind = pick(0, 9);
      if (summary[r] && kind < 8) return 0.0;
      if (kind < 3) return 0.0;
      if (kind < 7) return static_cast<double>(pick(1, std::max(1, limit - 1)));
      return static_cast<double>(pick(limit, 40));
    };
    ResultTable table;
    table.rowLabels.assign(static_cast<std::size_t>(rows), "R");
    if (columnActive) {
      table.columnChoice = "Sexo";
      table.columnLabels.assign(static_cast<std::size_t>(columns), "C");
    } else {
      table.measureNames = columns == 1 ? std::vector<std::string>{"Eventos"}
                                        : std::vector<std::string>{"Eventos", "Custo"};
    }
    TabulationState state = resultState(table);
    state.rowDimension.rollUpTarget = targets;
    state.smallCountLimit = limit;
    state.countCells = state.valueCells;
    for (int r = 1; r <= rows + 1; ++r) {
      for (int c = 1; c <= (columnActive ? columns + 1 : 1); ++c) {
        state.countCells[c][r] = count(r <= rows ? r : 1);
        state.valueCells[c][r] = state.countCells[c][r];
      }
      // A second measure sums a cost over the same records.
      if (!columnActive && columns == 2) {
        const double n = state.countCells[1][r];
        state.valueCells[2][r] = n == 0 ? 0 : n * 10 + pick(1, 99) / 100.0;
      }
    }
    finishTotals(state);
    if (state.grandTotal == 0) continue;  // the request ends without a table
    const ProtectionSources sources = protectionSources(state);
    state.showZeroRows = pick(0, 3) == 0;
    state.showTotalRow = pick(0, 9) != 0;
    state.showTotalColumn = pick(0, 9) != 0;
    if (pick(0, 1)) {
      state.sortRows = true;
      sortRowOrder(state);
    }
    ResultModel model = resultModel(state);
    const ResultModel plain = model;
    markProtectedCells(model, sources, state);
    ++tables;

    std::vector<bool> marks(model.values.size(), false);
    for (std::size_t i = 0; i < marks.size(); ++i) {
      marks[i] = model.mark(static_cast<int>(i / (columns + 1)),
                            static_cast<int>(i % (columns + 1))) == CellMark::suppressed;
    }
    suppressedTables += std::count(marks.begin(), marks.end(), true) > 0 ? 1 : 0;
    std::string where =
        "round " + std::to_string(round) + ", limit " + std::to_string(limit) + ", targets";
    for (const int t : targets) where += " " + std::to_string(t);
    where += ", values";
    for (const double v : model.values) where += " " + std::to_string(v);
    where += ", marks " + marksText(model, marks);
    const std::vector<bool> published = publishedCells(model);
    for (std::size_t i = 0; i < marks.size(); ++i) {
      if (published[i] && !marks[i]) {
        EXPECT_FALSE(sources.counts[i] >= 1 && sources.counts[i] < limit) << where << " cell " << i;
      }
    }
    for (const CellRelation& relation : shownRelations(model)) {
      // A summary row with records of its own does not sum its rows: no reader can use that.
      double balance = 0;
      for (std::size_t i = 0; i < relation.cells.size(); ++i) {
        balance +=
            (static_cast<int>(i) < relation.totals ? -1 : 1) * model.values[relation.cells[i]];
      }
      if (std::fabs(balance) > 1e-6) continue;
      const auto alone = std::count_if(relation.cells.begin(), relation.cells.end(),
                                       [&](std::size_t cell) { return marks[cell]; });
      EXPECT_NE(1, alone) << where << " " << relationText(model, relation);
    }
    EXPECT_EQ(std::vector<std::size_t>{}, exposedCells(model, marks)) << where;
    EXPECT_EQ(plain.values, model.values) << where;

    // The same marks again, and with the other row order.
    ResultModel again = resultModel(state);
    markProtectedCells(again, sources, state);
    EXPECT_EQ(model.marks, again.marks) << where;
    state.sortRows = !state.sortRows;
    for (int r = 0; r <= rows; ++r) state.rowOrder[r] = r;
    if (state.sortRows) sortRowOrder(state);
    ResultModel reordered = resultModel(state);
    markProtectedCells(reordered, sources, state);
    EXPECT_EQ(model.marks, reordered.marks) << where;
    if (HasFailure()) break;
  }
  // The random tables must exercise the search, not pass by being empty.
  EXPECT_GT(tables, 1000);
  EXPECT_GT(suppressedTables, tables / 2);
}
