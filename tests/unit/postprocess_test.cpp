#include "postprocess.h"

#include <gtest/gtest.h>

#include <vector>

#include "result_model.h"

namespace {

// A state with R rows and C columns whose cells are given column by column; targets[r - 1] is
// the roll-up target of row r.
TabulationState tableOf(const std::vector<std::vector<double>>& columns,
                        const std::vector<std::int16_t>& targets) {
  TabulationState state;
  state.columnCount = static_cast<int>(columns.size());
  state.rowCount = static_cast<int>(targets.size());
  state.rowDimension.categoryCount = state.rowCount;
  state.rowDimension.rollUpTarget.assign(1, 0);
  for (std::int16_t t : targets) state.rowDimension.rollUpTarget.push_back(t);
  state.valueCells.assign(state.columnCount + 2, std::vector<double>(state.rowCount + 2, 0.0));
  state.divisorCells = state.valueCells;
  for (int c = 1; c <= state.columnCount; ++c) {
    for (int r = 1; r <= state.rowCount; ++r) state.valueCells[c][r] = columns[c - 1][r - 1];
  }
  state.columnDecimals.assign(state.columnCount + 1, 0);
  state.measures.assign(2, MeasureSpec{});
  state.measureCount = 1;
  return state;
}

void setDivisors(TabulationState& state, const std::vector<std::vector<double>>& columns) {
  for (int c = 1; c <= state.columnCount; ++c) {
    for (int r = 1; r <= state.rowCount; ++r) state.divisorCells[c][r] = columns[c - 1][r - 1];
  }
}

}  // namespace

TEST(Postprocess, RollUpCountsSummaryRowsOnce) {
  // Rows 1 and 2 roll into row 3, which is itself left out of the column totals.
  TabulationState state = tableOf({{1, 2, 0}, {10, 20, 0}}, {3, 3, -1});
  state.valueCells[1][4] = 99;  // no category: enters no total
  finishTotals(state);
  EXPECT_EQ(3, state.columnTotals[1]);
  EXPECT_EQ(30, state.columnTotals[2]);
  EXPECT_EQ(33, state.grandTotal);
  EXPECT_EQ(3, state.valueCells[1][3]);
  EXPECT_EQ(30, state.valueCells[2][3]);
  EXPECT_EQ(33, state.rowTotals[3]);
  EXPECT_EQ(11, state.rowTotals[1]);
}

TEST(Postprocess, RollUpChainPassesOnWhatARowReceived) {
  // Row 5 into row 4, row 4 into row 2.
  TabulationState state = tableOf({{0, 0, 0, 4, 5}}, {0, -1, 0, 2, 4});
  finishTotals(state);
  EXPECT_EQ(9, state.valueCells[1][4]);
  EXPECT_EQ(9, state.valueCells[1][2]);
  EXPECT_EQ(9, state.columnTotals[1]);
}

TEST(Postprocess, NegativeRowWithRecordsIsShownButNotTotalled) {
  TabulationState state = tableOf({{5, 7}}, {0, -1});
  state.measures[1].isRate = true;
  state.measures[1].multiplier = 1;
  setDivisors(state, {{10, 10}});
  finishTotals(state);
  EXPECT_EQ(5, state.columnTotals[1]);
  EXPECT_EQ(7, state.rowTotals[2]);
  rateOfMeasure(state, 1);
  EXPECT_EQ(20, state.divisorColumnTotals[1]);  // the negative row's divisor still counts
  EXPECT_DOUBLE_EQ(0.25, state.columnTotals[1]);
  EXPECT_DOUBLE_EQ(0.7, state.valueCells[1][2]);
}

TEST(Postprocess, RateWithColumnsDividesTotalsNotSumsOfRates) {
  TabulationState state = tableOf({{5, 1}, {3, 0}}, {0, 0});
  state.columnActive = true;
  state.measures[1].isRate = true;
  state.measures[1].multiplier = 1000;
  setDivisors(state, {{2000, 1000}, {0, 500}});
  finishTotals(state);
  rateWithColumns(state);
  EXPECT_DOUBLE_EQ(2.5, state.valueCells[1][1]);
  EXPECT_DOUBLE_EQ(1, state.valueCells[1][2]);
  EXPECT_EQ(0, state.valueCells[2][1]);  // divisor cell 0
  EXPECT_DOUBLE_EQ(6.0 / 3000 * 1000, state.columnTotals[1]);
  EXPECT_DOUBLE_EQ(3.0 / 500 * 1000, state.columnTotals[2]);
  EXPECT_DOUBLE_EQ(8.0 / 2000 * 1000, state.rowTotals[1]);
  EXPECT_DOUBLE_EQ(9.0 / 3500 * 1000, state.grandTotal);
}

TEST(Postprocess, PercentOfMeasureTurnsTheColumnIntoShares) {
  TabulationState state = tableOf({{10, 30}, {1, 1}}, {0, 0});
  state.measureCount = 2;
  state.measures.assign(3, MeasureSpec{});
  finishTotals(state);
  percentOfMeasure(state, 1);
  EXPECT_EQ(25, state.valueCells[1][1]);
  EXPECT_EQ(100, state.columnTotals[1]);
  EXPECT_EQ(2, state.columnDecimals[1]);
  EXPECT_EQ(75, state.rowTotals[2]);  // the row totals become this measure's shares
  EXPECT_EQ(42, state.grandTotal);    // the sum of the raw column totals stays
}

TEST(Postprocess, CountThenRateLeavesTheRatesAsRowTotals) {
  TabulationState state = tableOf({{4, 6}, {1, 3}}, {0, 0});
  state.measureCount = 2;
  state.measures.assign(3, MeasureSpec{});
  state.measures[2].isRate = true;
  state.measures[2].multiplier = 100;
  setDivisors(state, {{0, 0}, {4, 0}});
  finishTotals(state);
  rateOfMeasure(state, 2);
  EXPECT_EQ(25, state.rowTotals[1]);
  EXPECT_EQ(0, state.rowTotals[2]);  // divisor 0
  EXPECT_EQ(100, state.columnTotals[2]);
}

TEST(Postprocess, PercentWithColumnsAlongEitherDimension) {
  // Column dimension is the reference: each positive row becomes 100 %, a negative one stays.
  TabulationState state = tableOf({{1, -4}, {3, 1}}, {0, 0});
  state.columnActive = true;
  state.measures[1].isPercentage = true;
  state.measures[1].secondField = "SEXO";
  state.columnDimension.fieldName = "SEXO";
  state.rowDimension.fieldName = "MUNIC";
  finishTotals(state);
  percentWithColumns(state);
  EXPECT_EQ(25, state.valueCells[1][1]);
  EXPECT_EQ(75, state.valueCells[2][1]);
  EXPECT_EQ(100, state.rowTotals[1]);
  EXPECT_EQ(-4, state.valueCells[1][2]);
  EXPECT_EQ(-3, state.rowTotals[2]);
  EXPECT_DOUBLE_EQ(-3.0 * 100 / 1, state.columnTotals[1]);
  EXPECT_EQ(100, state.grandTotal);
  EXPECT_EQ(2, state.columnDecimals[2]);

  // Row dimension is the reference: each positive column becomes 100 %.
  TabulationState rows = tableOf({{1, 3}, {0, 0}}, {0, 0});
  rows.columnActive = true;
  rows.measures[1].isPercentage = true;
  rows.measures[1].secondField = "MUNIC";
  rows.rowDimension.fieldName = "MUNIC";
  finishTotals(rows);
  percentWithColumns(rows);
  EXPECT_EQ(25, rows.valueCells[1][1]);
  EXPECT_EQ(100, rows.columnTotals[1]);
  EXPECT_EQ(0, rows.columnTotals[2]);
  EXPECT_EQ(75, rows.rowTotals[2]);
  EXPECT_EQ(100, rows.grandTotal);
}

TEST(Postprocess, SortOrderFollowsTheQuicksortForEqualTotals) {
  const struct {
    std::vector<double> totals;
    std::vector<int> order;
  } cases[] = {
      {{3, 1, 2}, {2, 3, 1}},
      {{5, 5, 5, 5}, {3, 4, 1, 2}},
      {{1, 2, 1, 2, 1}, {3, 5, 1, 4, 2}},
      {{2, 1, 2, 1}, {4, 2, 1, 3}},
      {{7}, {1}},
  };
  for (const auto& c : cases) {
    TabulationState state;
    state.rowCount = static_cast<int>(c.totals.size());
    state.rowTotals.assign(1, 0);
    state.rowTotals.insert(state.rowTotals.end(), c.totals.begin(), c.totals.end());
    state.rowOrder.assign(1, 0);
    for (int r = 1; r <= state.rowCount; ++r) state.rowOrder.push_back(r);
    sortRowOrder(state);
    const std::vector<int> order(state.rowOrder.begin() + 1, state.rowOrder.end());
    EXPECT_EQ(c.order, order) << "first total " << c.totals[0];
  }
}

TEST(Postprocess, RowHasValueAfterRates) {
  TabulationState state = tableOf({{3, 0}, {0, 0}}, {0, 0});
  state.measures[1].isRate = true;
  state.measures[1].multiplier = 1;
  state.measureCount = 2;
  state.measures.resize(3);
  finishTotals(state);
  EXPECT_TRUE(rowHasValue(resultModel(state), 1));
  EXPECT_FALSE(rowHasValue(resultModel(state), 2));
  rateOfMeasure(state, 1);  // every divisor 0
  EXPECT_FALSE(rowHasValue(resultModel(state), 1));
}
