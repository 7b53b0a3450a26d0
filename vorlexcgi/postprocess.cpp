// Turns the summed cells into what the outputs show: column, row and grand totals, the roll-up
// of rows into their summary rows, rates, percentages and the sorted row order. Run once per
// request by the page flow, after the last data file.
#include "postprocess.h"

#include <cstddef>

namespace {

// The summary row that row r is also added into (positive), 0 for an ordinary row, negative for
// a row left out of the column totals.
int rollUpOf(const TabulationState& state, int row) {
  const auto& targets = state.rowDimension.rollUpTarget;
  return static_cast<std::size_t>(row) < targets.size() ? targets[row] : 0;
}

// Rows R down to 1, so that a row rolled into another passes on what it received from rows
// after it.
void rollUpColumn(const TabulationState& state, std::vector<double>& column) {
  for (int r = state.rowCount; r >= 1; --r) {
    const int target = rollUpOf(state, r);
    if (target > 0 && target <= state.rowCount) column[target] += column[r];
  }
}

double ratio(double value, double divisor, double factor) {
  return divisor == 0 ? 0 : value / divisor * factor;
}

void sortRange(TabulationState& state, int low, int high) {
  const std::vector<double>& totals = state.rowTotals;
  std::vector<int>& order = state.rowOrder;
  int i = low, j = high;
  const double pivot = totals[order[(low + high) / 2]];
  do {
    while (i < high && totals[order[i]] < pivot) ++i;
    while (j > low && pivot < totals[order[j]]) --j;
    if (i <= j) {
      std::swap(order[i], order[j]);
      ++i;
      --j;
    }
  } while (i <= j);
  if (low < j) sortRange(state, low, j);
  if (i < high) sortRange(state, i, high);
}

}  // namespace

void totalCells(const TabulationState& state, std::vector<std::vector<double>>& cells,
                std::vector<double>& columnTotals, std::vector<double>& rowTotals,
                double& grandTotal) {
  const int rows = state.rowCount, columns = state.columnCount;
  columnTotals.assign(columns + 1, 0.0);
  grandTotal = 0;
  for (int c = 1; c <= columns; ++c) {
    double sum = 0;
    for (int r = 1; r <= rows; ++r) {
      if (rollUpOf(state, r) >= 0) sum += cells[c][r];
    }
    columnTotals[c] = sum;
    grandTotal += sum;
  }
  // Taken before the roll-up, so summary rows are not counted twice; the last column (values in
  // no column category) is rolled up too but enters no total.
  for (int c = 1; c <= columns + 1; ++c) rollUpColumn(state, cells[c]);
  rowTotals.assign(rows + 1, 0.0);
  for (int r = 1; r <= rows; ++r) {
    double sum = 0;
    for (int c = 1; c <= columns; ++c) sum += cells[c][r];
    rowTotals[r] = sum;
  }
}

void finishTotals(TabulationState& state) {
  totalCells(state, state.valueCells, state.columnTotals, state.rowTotals, state.grandTotal);
}

void rateWithColumns(TabulationState& state) {
  const int rows = state.rowCount, columns = state.columnCount;
  const double factor = state.measures[1].multiplier;
  state.divisorColumnTotals.assign(columns + 1, 0.0);
  state.divisorGrandTotal = 0;
  for (int c = 1; c <= columns; ++c) {
    double sum = 0;
    for (int r = 1; r <= rows; ++r) sum += state.divisorCells[c][r];
    state.divisorColumnTotals[c] = sum;
    state.divisorGrandTotal += sum;
  }
  for (int c = 1; c <= columns + 1; ++c) rollUpColumn(state, state.divisorCells[c]);
  state.divisorRowTotals.assign(rows + 1, 0.0);
  for (int r = 1; r <= rows; ++r) {
    double sum = 0;
    for (int c = 1; c <= columns; ++c) sum += state.divisorCells[c][r];
    state.divisorRowTotals[r] = sum;
  }
  state.grandTotal = ratio(state.grandTotal, state.divisorGrandTotal, factor);
  for (int c = 1; c <= columns; ++c) {
    state.columnTotals[c] = ratio(state.columnTotals[c], state.divisorColumnTotals[c], factor);
  }
  for (int r = 1; r <= rows; ++r) {
    state.rowTotals[r] = ratio(state.rowTotals[r], state.divisorRowTotals[r], factor);
  }
  for (int c = 1; c <= columns; ++c) {
    for (int r = 1; r <= rows; ++r) {
      state.valueCells[c][r] = ratio(state.valueCells[c][r], state.divisorCells[c][r], factor);
    }
  }
}

void percentWithColumns(TabulationState& state) {
  const int rows = state.rowCount, columns = state.columnCount;
  const std::string& reference = state.measures[1].secondField;
  for (int c = 1; c <= columns; ++c) state.columnDecimals[c] = 2;
  if (state.columnDimension.fieldName == reference) {
    for (int r = 1; r <= rows; ++r) {
      const double total = state.rowTotals[r];
      if (total > 0) {
        for (int c = 1; c <= columns; ++c) {
          state.valueCells[c][r] = state.valueCells[c][r] * 100 / total;
        }
        state.rowTotals[r] = 100;
      }
    }
    for (int c = 1; c <= columns; ++c) {
      state.columnTotals[c] = state.columnTotals[c] * 100 / state.grandTotal;
    }
    state.grandTotal = 100;
  }
  if (state.rowDimension.fieldName == reference) {
    for (int c = 1; c <= columns; ++c) {
      const double total = state.columnTotals[c];
      if (total > 0) {
        for (int r = 1; r <= rows; ++r) {
          state.valueCells[c][r] = state.valueCells[c][r] * 100 / total;
        }
        state.columnTotals[c] = 100;
      }
    }
    for (int r = 1; r <= rows; ++r) {
      state.rowTotals[r] = state.rowTotals[r] * 100 / state.grandTotal;
    }
    state.grandTotal = 100;
  }
}

void rateOfMeasure(TabulationState& state, int measure) {
  const int rows = state.rowCount;
  const double factor = state.measures[measure].multiplier;
  std::vector<double>& values = state.valueCells[measure];
  std::vector<double>& divisors = state.divisorCells[measure];
  if (state.divisorColumnTotals.size() <= static_cast<std::size_t>(measure)) {
    state.divisorColumnTotals.resize(state.columnCount + 1, 0.0);
  }
  double divisorTotal = 0;
  for (int r = 1; r <= rows; ++r) divisorTotal += divisors[r];
  state.divisorColumnTotals[measure] = divisorTotal;
  rollUpColumn(state, divisors);
  for (int r = 1; r <= rows; ++r) values[r] = ratio(values[r], divisors[r], factor);
  state.columnTotals[measure] = ratio(state.columnTotals[measure], divisorTotal, factor);
  for (int r = 1; r <= rows; ++r) state.rowTotals[r] = values[r];
}

void percentOfMeasure(TabulationState& state, int measure) {
  const int rows = state.rowCount;
  std::vector<double>& values = state.valueCells[measure];
  state.columnDecimals[measure] = 2;
  const double total = state.columnTotals[measure];
  for (int r = 1; r <= rows; ++r) values[r] = total == 0 ? 0 : values[r] / total * 100;
  if (total != 0) state.columnTotals[measure] = 100;
  for (int r = 1; r <= rows; ++r) state.rowTotals[r] = values[r];
}

void sortRowOrder(TabulationState& state) {
  if (state.rowCount >= 1) sortRange(state, 1, state.rowCount);
}
