// A finished result built by hand, as the outputs see it after post-processing: labels, cells,
// plain sums as totals and the natural row order. Tests change any field afterwards. Header
// only: the support library does not link the tabulator.
#pragma once

#include <string>
#include <vector>

#include "result_model.h"
#include "state.h"

struct ResultTable {
  std::string title = "Nascidos vivos";
  std::string rowChoice = "UF_Resid";
  std::string rowTitle = "UF_Resid";
  std::vector<std::string> rowLabels;
  // The column dimension's categories; empty when the measures are the columns.
  std::string columnChoice;
  std::vector<std::string> columnLabels;
  std::vector<std::string> measureNames = {"Nascimentos"};
  std::vector<int> decimals;               // per column; 0 when missing
  std::vector<std::vector<double>> cells;  // cells[row - 1][column - 1]
  Language language = Language::portuguese;
};

inline TabulationState resultState(const ResultTable& table) {
  TabulationState state;
  state.title = table.title;
  state.language = table.language;
  state.thousandsSeparator = table.language == Language::english ? ',' : '.';
  state.decimalSeparator = table.language == Language::english ? '.' : ',';
  state.rowChoice = table.rowChoice;
  state.rowDimension.title = table.rowTitle;
  state.rowCount = static_cast<int>(table.rowLabels.size());
  state.rowDimension.categoryCount = state.rowCount;
  state.rowDimension.categoryNames.push_back("");
  for (const std::string& label : table.rowLabels)
    state.rowDimension.categoryNames.push_back(label);
  state.rowDimension.categoryNames.push_back("");
  state.rowDimension.rollUpTarget.assign(static_cast<std::size_t>(state.rowCount) + 1, 0);

  state.measureCount = static_cast<int>(table.measureNames.size());
  state.measures.resize(1);
  for (const std::string& name : table.measureNames) {
    MeasureSpec measure;
    measure.name = name;
    measure.multiplier = 1;
    state.measures.push_back(measure);
  }
  state.columnActive = !table.columnLabels.empty();
  if (state.columnActive) {
    state.columnChoice = table.columnChoice;
    state.columnDimension.title = table.columnChoice;
    state.columnCount = static_cast<int>(table.columnLabels.size());
    state.columnDimension.categoryCount = state.columnCount;
    state.columnDimension.categoryNames.push_back("");
    for (const std::string& label : table.columnLabels) {
      state.columnDimension.categoryNames.push_back(label);
    }
    state.columnDimension.categoryNames.push_back("");
  } else {
    state.columnChoice = "--N\xE3o-Ativa--";
    state.columnCount = state.measureCount;
  }

  const int rows = state.rowCount;
  const int columns = state.columnCount;
  state.valueCells.assign(static_cast<std::size_t>(columns) + 2,
                          std::vector<double>(static_cast<std::size_t>(rows) + 2, 0.0));
  state.divisorCells = state.valueCells;
  state.columnTotals.assign(static_cast<std::size_t>(columns) + 1, 0.0);
  state.rowTotals.assign(static_cast<std::size_t>(rows) + 1, 0.0);
  state.columnDecimals.assign(static_cast<std::size_t>(columns) + 1, 0);
  for (int c = 1; c <= columns; ++c) {
    if (c <= static_cast<int>(table.decimals.size()))
      state.columnDecimals[c] = table.decimals[c - 1];
  }
  for (int r = 1; r <= rows; ++r) {
    for (int c = 1; c <= columns; ++c) {
      const double value = r <= static_cast<int>(table.cells.size()) &&
                                   c <= static_cast<int>(table.cells[r - 1].size())
                               ? table.cells[r - 1][c - 1]
                               : 0.0;
      state.valueCells[c][r] = value;
      state.columnTotals[c] += value;
      state.rowTotals[r] += value;
      state.grandTotal += value;
    }
  }
  state.rowOrder.resize(static_cast<std::size_t>(rows) + 1);
  for (int r = 0; r <= rows; ++r) state.rowOrder[r] = r;
  return state;
}

// Gives a cell of the model its mark, as the confidentiality options would.
inline void markCell(ResultModel& model, int row, int column, CellMark mark) {
  if (model.marks.empty()) model.marks.assign(model.values.size(), CellMark::none);
  model.marks[model.cellIndex(row, column)] = mark;
}
