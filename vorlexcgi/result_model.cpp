// Builds the result model from the post-processed request, and the tests every output shares
// on which rows and columns are written.
#include "result_model.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstddef>

#include "file_search.h"
#include "periods.h"

namespace {

// [1..count]; a category the loader gave no codes has none.
std::vector<std::string> codesOf(const Dimension& dimension, int count) {
  std::vector<std::string> codes = dimension.categoryCodes;
  codes.resize(static_cast<std::size_t>(count) + 1);
  return codes;
}

std::int64_t newestDataFileTime(const TabulationState& state) {
  const std::string directory = directoryPart(state.dataFileSpec);
  std::int64_t newest = -1;
  for (const std::string& name : state.files) {
    const std::string path = findFile(directory + name);
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0) continue;
    newest = std::max<std::int64_t>(newest, info.st_mtime);
  }
  return newest;
}

}  // namespace

ResultModel resultModel(const TabulationState& state) {
  ResultModel model;
  model.title = state.title;
  model.language = state.language;
  model.measureNames.assign(1, std::string());
  for (int m = 1; m <= state.measureCount; ++m)
    model.measureNames.push_back(state.measures[m].name);
  model.rowChoice = state.rowChoice;
  model.columnChoice = state.columnChoice;
  for (int s = 1; s <= state.selectionCount; ++s) {
    const SelectionFilter& filter = state.selections[s];
    ResultSelection selection;
    selection.title = filter.dimension.title;
    for (int k = 1; k <= filter.dimension.categoryCount; ++k) {
      if (static_cast<std::size_t>(k) < filter.selected.size() && filter.selected[k]) {
        selection.chosen.push_back(filter.dimension.categoryNames[k]);
      }
    }
    model.selections.push_back(std::move(selection));
  }
  model.periodCodes = state.periodCodes;
  // The page flow has checked that the codes can be described before the model is built.
  if (periodDescription(model.periodCodes, model.language, model.periodText)) {
    model.periodText.clear();
  }

  model.styleSheetsOn = state.styleSheetsOn;
  model.zeroAsHyphen = state.zeroAsHyphen;
  model.thousandsSeparator = state.thousandsSeparator;
  model.decimalSeparator = state.decimalSeparator;
  model.footnoteLines = state.footnoteLines;
  model.footerLines = state.footerLines;
  model.dataUpdated = newestDataFileTime(state);

  const int rows = state.rowCount, columns = state.columnCount;
  model.columnActive = state.columnActive;
  model.rowCount = rows;
  model.columnCount = columns;
  model.rowTitle = state.rowDimension.title;
  model.rowConversionFile = state.rowDimension.conversionFile;
  const std::vector<std::string>& rowNames = state.rowDimension.categoryNames;
  const std::vector<std::int16_t>& targets = state.rowDimension.rollUpTarget;
  model.rowLabels.assign(static_cast<std::size_t>(rows) + 1, std::string());
  model.rollUpTarget.assign(static_cast<std::size_t>(rows) + 1, 0);
  model.summaryRow.assign(static_cast<std::size_t>(rows) + 1, false);
  for (int r = 1; r <= rows; ++r) {
    if (static_cast<std::size_t>(r) < rowNames.size()) model.rowLabels[r] = rowNames[r];
    const std::int16_t target = static_cast<std::size_t>(r) < targets.size() ? targets[r] : 0;
    model.rollUpTarget[r] = target;
    if (target > 0 && target <= rows) model.summaryRow[target] = true;
  }
  model.rowCodes = codesOf(state.rowDimension, rows);
  if (state.columnActive) model.columnCodes = codesOf(state.columnDimension, columns);
  model.columnLabels.assign(static_cast<std::size_t>(columns) + 1, std::string());
  model.columnDecimals.assign(static_cast<std::size_t>(columns) + 1, 0);
  for (int c = 1; c <= columns; ++c) {
    if (state.columnActive) {
      if (static_cast<std::size_t>(c) < state.columnDimension.categoryNames.size()) {
        model.columnLabels[c] = state.columnDimension.categoryNames[c];
      }
    } else if (static_cast<std::size_t>(c) < state.measures.size()) {
      model.columnLabels[c] = state.measures[c].name;
    }
    if (static_cast<std::size_t>(c) < state.columnDecimals.size()) {
      model.columnDecimals[c] = state.columnDecimals[c];
    }
  }

  model.totalRowShown = state.showTotalRow;
  model.totalColumnShown = state.showTotalColumn;
  model.showZeroRows = state.showZeroRows;
  model.sorted = state.sortRows;
  model.rowOrder = state.rowOrder;
  model.rowOrder.resize(static_cast<std::size_t>(rows) + 1, 0);

  const std::size_t width = static_cast<std::size_t>(columns) + 1;
  model.values.assign((static_cast<std::size_t>(rows) + 1) * width, 0.0);
  model.values[0] = state.grandTotal;
  for (int c = 1; c <= columns; ++c) model.values[c] = state.columnTotals[c];
  for (int r = 1; r <= rows; ++r) {
    double* line = model.values.data() + static_cast<std::size_t>(r) * width;
    line[0] = state.rowTotals[r];
    for (int c = 1; c <= columns; ++c) line[c] = state.valueCells[c][r];
  }
  return model;
}

void releaseCells(TabulationState& state) {
  std::vector<std::vector<double>>().swap(state.valueCells);
  std::vector<std::vector<double>>().swap(state.divisorCells);
  std::vector<std::vector<double>>().swap(state.countCells);
}

bool columnWritten(const ResultModel& model, int column) {
  return !model.columnActive || model.value(0, column) != 0;
}

bool totalsColumnWritten(const ResultModel& model) {
  return model.columnActive && model.totalColumnShown;
}

bool rowHasValue(const ResultModel& model, int row) {
  for (int c = 1; c <= model.columnCount; ++c) {
    if (model.value(row, c) != 0) return true;
  }
  return false;
}

bool rowWritten(const ResultModel& model, int row) {
  return model.showZeroRows || rowHasValue(model, row);
}

int rowAtPosition(const ResultModel& model, int position) {
  return model.sorted ? model.rowOrder[model.rowCount + 1 - position] : position;
}

int rowTotalDecimals(const ResultModel& model) {
  return model.columnDecimals.size() > 1 ? model.columnDecimals[1] : 0;
}

int decimalsOf(const ResultModel& model, int column) {
  return column == 0 ? rowTotalDecimals(model) : model.columnDecimals[column];
}

bool valuePublished(const ResultModel& model, int row, int column) {
  const CellMark mark = model.mark(row, column);
  return mark == CellMark::none || mark == CellMark::unreliable;
}

std::string markedText(const ResultModel& model, int row, int column, std::string text) {
  switch (model.mark(row, column)) {
    case CellMark::suppressed:
      return "X";
    case CellMark::notComputable:
      return "..";
    case CellMark::unreliable:
      return text + "*";
    case CellMark::none:
      break;
  }
  return text;
}
