// Turns the summed cells into what the outputs show: totals, roll-ups, rates, percentages, the
// row order, and which rows and columns are written.
#pragma once

#include "state.h"

void finishTotals(TabulationState& state);
void rateWithColumns(TabulationState& state);
void percentWithColumns(TabulationState& state);
void rateOfMeasure(TabulationState& state, int measure);
void percentOfMeasure(TabulationState& state, int measure);
void sortRowOrder(TabulationState& state);
bool rowHasValue(const TabulationState& state, int row);

// Shared by every output: with a column dimension, a column whose total is 0 is left out.
bool columnWritten(const TabulationState& state, int column);
// The totals column: only with a column dimension and showTotalColumn.
bool totalsColumnWritten(const TabulationState& state);
