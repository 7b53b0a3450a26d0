// Turns the summed cells into what the outputs show: totals, roll-ups, rates, percentages and
// the row order.
#pragma once

#include <vector>

#include "state.h"

// Column totals (rows with a negative roll-up target left out), the roll-up of rows into their
// summary rows, then row totals, for one set of cells laid out as valueCells.
void totalCells(const TabulationState& state, std::vector<std::vector<double>>& cells,
                std::vector<double>& columnTotals, std::vector<double>& rowTotals,
                double& grandTotal);
void finishTotals(TabulationState& state);
void rateWithColumns(TabulationState& state);
void percentWithColumns(TabulationState& state);
void rateOfMeasure(TabulationState& state, int measure);
void percentOfMeasure(TabulationState& state, int measure);
void sortRowOrder(TabulationState& state);
