#include "postprocess.h"

void finishTotals(TabulationState&) {}
void rateWithColumns(TabulationState&) {}
void percentWithColumns(TabulationState&) {}
void rateOfMeasure(TabulationState&, int) {}
void percentOfMeasure(TabulationState&, int) {}
void sortRowOrder(TabulationState&) {}
bool rowHasValue(const TabulationState&, int) { return false; }
bool columnWritten(const TabulationState& state, int column) {
  return !state.columnActive || state.columnTotals[column] != 0;
}
bool totalsColumnWritten(const TabulationState& state) {
  return state.columnActive && state.showTotalColumn;
}
