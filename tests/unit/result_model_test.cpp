#include "result_model.h"

#include <gtest/gtest.h>

#include "result_state.h"

namespace {

// Rows Norte (a summary), Alfa and Beta (rolled into Norte), Outros; columns Masc and Fem.
TabulationState regions() {
  ResultTable table;
  table.rowLabels = {"Norte", "Alfa", "Beta", "Outros"};
  table.columnChoice = "Sexo";
  table.columnLabels = {"Masc", "Fem"};
  table.decimals = {1, 2};
  table.cells = {{5, 7}, {2, 3}, {3, 4}, {0, 0}};
  TabulationState state = resultState(table);
  state.rowDimension.rollUpTarget = {0, -1, 1, 1, 0};
  return state;
}

}  // namespace

TEST(ResultModel, TotalsSitInRowAndColumnZero) {
  const TabulationState state = regions();
  const ResultModel model = resultModel(state);
  ASSERT_EQ(4, model.rowCount);
  ASSERT_EQ(2, model.columnCount);
  EXPECT_EQ(state.grandTotal, model.value(0, 0));
  for (int c = 1; c <= 2; ++c) EXPECT_EQ(state.columnTotals[c], model.value(0, c)) << c;
  for (int r = 1; r <= 4; ++r) {
    EXPECT_EQ(state.rowTotals[r], model.value(r, 0)) << r;
    for (int c = 1; c <= 2; ++c) EXPECT_EQ(state.valueCells[c][r], model.value(r, c)) << r << c;
  }
  EXPECT_EQ((std::vector<std::string>{"", "Masc", "Fem"}), model.columnLabels);
  EXPECT_EQ((std::vector<int>{0, 1, 2}), model.columnDecimals);
  EXPECT_EQ(1, rowTotalDecimals(model));
}

TEST(ResultModel, SummaryRowsAreThoseOthersRollInto) {
  const ResultModel model = resultModel(regions());
  EXPECT_EQ((std::vector<bool>{false, true, false, false, false}), model.summaryRow);
  EXPECT_EQ((std::vector<std::int16_t>{0, -1, 1, 1, 0}), model.rollUpTarget);
}

TEST(ResultModel, WrittenRowsColumnsAndPositions) {
  TabulationState state = regions();
  ResultModel model = resultModel(state);
  EXPECT_TRUE(rowWritten(model, 1));
  EXPECT_FALSE(rowWritten(model, 4));
  model.showZeroRows = true;
  EXPECT_TRUE(rowWritten(model, 4));
  EXPECT_TRUE(totalsColumnWritten(model));
  model.totalColumnShown = false;
  EXPECT_FALSE(totalsColumnWritten(model));

  // A sorted order is read from its end: the largest total first.
  state.sortRows = true;
  state.rowOrder = {0, 4, 2, 3, 1};
  model = resultModel(state);
  EXPECT_EQ(1, rowAtPosition(model, 1));
  EXPECT_EQ(4, rowAtPosition(model, 4));

  // Without a column dimension every measure is written, zero or not.
  state = regions();
  state.columnActive = false;
  state.columnTotals[2] = 0;
  model = resultModel(state);
  EXPECT_TRUE(columnWritten(model, 2));
  EXPECT_FALSE(totalsColumnWritten(model));
}

TEST(ResultModel, SelectionsListTheirChosenLabels) {
  TabulationState state = regions();
  SelectionFilter age;
  age.dimension.title = "Idade";
  age.dimension.categoryCount = 3;
  age.dimension.categoryNames = {"", "Jovem", "Adulto", "Idoso", ""};
  age.selected = {false, true, false, true, true};
  state.selections = {SelectionFilter{}, age};
  state.selectionCount = 1;
  const ResultModel model = resultModel(state);
  ASSERT_EQ(1u, model.selections.size());
  EXPECT_EQ("Idade", model.selections[0].title);
  // The slot after the last category (values in none) is never listed.
  EXPECT_EQ((std::vector<std::string>{"Jovem", "Idoso"}), model.selections[0].chosen);
}

TEST(ResultModel, ReleasingTheStateKeepsTheModel) {
  TabulationState state = regions();
  const ResultModel model = resultModel(state);
  releaseCells(state);
  EXPECT_TRUE(state.valueCells.empty());
  EXPECT_EQ(12, model.value(1, 0));
}
