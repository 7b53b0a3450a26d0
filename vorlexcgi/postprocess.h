// Turns the summed cells into what the outputs show: totals, roll-ups, rates, percentages and
// the row order.
#pragma once

#include "state.h"

void finishTotals(TabulationState& state);
void rateWithColumns(TabulationState& state);
void percentWithColumns(TabulationState& state);
void rateOfMeasure(TabulationState& state, int measure);
void percentOfMeasure(TabulationState& state, int measure);
void sortRowOrder(TabulationState& state);
