// The confidentiality step around the result model: its sources come from the state's cells,
// its answer goes into the model's marks.
#include "confidentiality.h"

#include <cstdio>
#include <string>

#include "cell_suppression.h"
#include "messages.h"
#include "postprocess.h"

namespace {

bool protectionOn(const TabulationState& state) {
  return state.smallCountLimit > 0 || state.unreliableLimit > 0;
}

// Whether a model column (0: the totals column) shows rates. Without a column dimension the
// totals column is never written.
bool rateColumn(const TabulationState& state, int column) {
  if (state.columnActive) return state.measureCount >= 1 && state.measures[1].isRate;
  return column >= 1 && column <= state.measureCount && state.measures[column].isRate;
}

// Whether a model column shows rates or percentages: values that say nothing of how much the
// cell holds, so complements are chosen by its records.
bool derivedColumn(const TabulationState& state, int column) {
  const int measure = state.columnActive ? 1 : column;
  if (measure < 1 || measure > state.measureCount) return false;
  return state.measures[measure].isRate || state.measures[measure].isPercentage;
}

// The sums a percentage table shows run along its base, whose totals are the 100 (or the 0 of an
// empty row) that a reader knows from the kind of table. Shares of each row add up across the
// row only; shares of each column, and a percentage measure without a column dimension, add up
// down the column and through the summary rows.
void percentageRelations(const TabulationState& state, const ResultModel& model,
                         SuppressionInput& input) {
  input.known.assign(model.values.size(), false);
  const auto know = [&](int row, int column) { input.known[model.cellIndex(row, column)] = true; };
  if (!state.columnActive) {
    for (int m = 1; m <= state.measureCount && m <= model.columnCount; ++m) {
      if (state.measures[m].isPercentage) know(0, m);
    }
    return;
  }
  if (state.measureCount < 1 || !state.measures[1].isPercentage) return;
  const std::string& reference = state.measures[1].secondField;
  const bool ofRows = state.columnDimension.fieldName == reference;
  const bool ofColumns = state.rowDimension.fieldName == reference;
  input.kinds.rowSums = ofRows;
  input.kinds.columnSums = ofColumns;
  if (ofRows) {
    for (int r = 0; r <= model.rowCount; ++r) know(r, 0);
  }
  if (ofColumns) {
    for (int c = 0; c <= model.columnCount; ++c) know(0, c);
  }
}

// A grid in the model's layout: at(row, column) for every cell, totals row and column included.
template <typename At>
std::vector<double> modelGrid(const TabulationState& state, At at) {
  const int width = state.columnCount + 1;
  std::vector<double> grid(static_cast<std::size_t>(state.rowCount + 1) *
                           static_cast<std::size_t>(width));
  for (int r = 0; r <= state.rowCount; ++r) {
    for (int c = 0; c < width; ++c) {
      grid[static_cast<std::size_t>(r) * static_cast<std::size_t>(width) +
           static_cast<std::size_t>(c)] = at(r, c);
    }
  }
  return grid;
}

double at(const std::vector<double>& values, int index) {
  return static_cast<std::size_t>(index) < values.size() ? values[index] : 0.0;
}

// The limit as the legend gives it: as few digits as it needs, the page's decimal separator.
std::string limitText(double limit, char decimalSeparator) {
  char text[32];
  std::snprintf(text, sizeof text, "%.15g", limit);
  std::string result = text;
  for (char& c : result) {
    if (c == '.') c = decimalSeparator;
  }
  return result;
}

}  // namespace

ProtectionSources protectionSources(TabulationState& state) {
  ProtectionSources sources;
  if (state.smallCountLimit > 0 && !state.countCells.empty()) {
    std::vector<double> columnTotals, rowTotals;
    double grandTotal = 0;
    totalCells(state, state.countCells, columnTotals, rowTotals, grandTotal);
    // Without a column dimension every measure column counts the records of column 1.
    const bool byColumn = state.columnActive;
    sources.counts = modelGrid(state, [&](int r, int c) {
      const int source = byColumn ? c : 1;
      if (r == 0) return c == 0 ? grandTotal : at(columnTotals, source);
      return c == 0 ? at(rowTotals, r) : state.countCells[source][r];
    });
  }
  bool rates = false;
  for (int c = 1; c <= state.columnCount; ++c) rates = rates || rateColumn(state, c);
  if (state.unreliableLimit > 0 && rates) {
    sources.numerators = modelGrid(state, [&](int r, int c) {
      if (r == 0) return c == 0 ? state.grandTotal : at(state.columnTotals, c);
      return c == 0 ? at(state.rowTotals, r) : state.valueCells[c][r];
    });
  }
  return sources;
}

void markProtectedCells(ResultModel& model, const ProtectionSources& sources,
                        const TabulationState& state) {
  if (!protectionOn(state)) return;
  const int width = model.columnCount + 1;
  model.marks.assign(model.values.size(), CellMark::none);
  if (!sources.counts.empty()) {
    SuppressionInput input;
    input.counts = sources.counts;
    input.sizes = model.values;
    percentageRelations(state, model, input);
    for (std::size_t i = 0; i < input.sizes.size(); ++i) {
      if (derivedColumn(state, static_cast<int>(i % static_cast<std::size_t>(width)))) {
        input.sizes[i] = sources.counts[i];
      }
    }
    const std::vector<bool> suppressed = suppressedCells(model, input, state.smallCountLimit);
    for (std::size_t i = 0; i < suppressed.size(); ++i) {
      if (suppressed[i]) model.marks[i] = CellMark::suppressed;
    }
  }
  bool rates = false;
  for (int c = 0; c < width; ++c) {
    if (!rateColumn(state, c) || (c == 0 && !state.columnActive)) continue;
    rates = true;
    for (int r = 0; r <= model.rowCount; ++r) {
      const std::size_t cell = model.cellIndex(r, c);
      if (model.marks[cell] == CellMark::suppressed) continue;
      double divisor = 0;
      if (r == 0) {
        divisor = c == 0 ? state.divisorGrandTotal : at(state.divisorColumnTotals, c);
      } else {
        divisor = c == 0 ? at(state.divisorRowTotals, r) : state.divisorCells[c][r];
      }
      if (divisor == 0) {
        model.marks[cell] = CellMark::notComputable;
      } else if (!sources.numerators.empty() && sources.numerators[cell] < state.unreliableLimit) {
        model.marks[cell] = CellMark::unreliable;
      }
    }
  }
  const std::string unreliable = state.unreliableLimit > 0
                                     ? limitText(state.unreliableLimit, model.decimalSeparator)
                                     : std::string();
  model.markLegend = markLegend(model.language, state.smallCountLimit, unreliable, rates);
  // A count table under OINSTAVEL alone can show no mark, and stays as it was.
  if (model.markLegend.empty()) model.marks.clear();
}
