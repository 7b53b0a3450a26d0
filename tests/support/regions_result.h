// A finished result with roll-ups, as the answers for scripts publish it: states by sex with
// their region. Norte sums Acre and Para and, like Ignorado, is left out of the column totals
// (the roll-up target -1 as the conversion file writes it); Norte has no code of its own. No
// value falls in the third column, so the page leaves it out. Header only, as result_state.h.
#pragma once

#include "result_state.h"

inline TabulationState regionsBySex(ResultTable table = {}) {
  table.rowLabels = {"Norte", "Acre", "Par\xE1", "Ignorado"};
  table.columnChoice = "Sexo";
  table.columnLabels = {"Masc", "Fem", "Outro"};
  table.cells = {{3, 4, 0}, {1, 2, 0}, {2, 2, 0}, {1, 0, 0}};
  TabulationState state = resultState(table);
  state.rowDimension.rollUpTarget = {0, -1, 1, 1, -1};
  state.rowDimension.categoryCodes = {"", "", "12", "15", "99"};
  state.columnDimension.categoryCodes = {"", "1", "2", "3"};
  state.columnTotals = {0, 3, 4, 0};
  state.grandTotal = 7;
  return state;
}
