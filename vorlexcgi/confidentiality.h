// Confidentiality of a result (definition options OSIGILO and OINSTAVEL): the record counts and
// rate numerators the marks are decided on, taken while the cells still hold sums, and the marks
// and legend that every output prints. The page flow runs both steps; without the options they
// do nothing.
#pragma once

#include <vector>

#include "result_model.h"
#include "state.h"

// Laid out as the model's values; each empty when its option is off.
struct ProtectionSources {
  std::vector<double> counts;      // records behind each cell, totals and summary rows included
  std::vector<double> numerators;  // the summed value field of each cell, before any rate
};

// After finishTotals, before rates and percentages: totals and rolls up the record counts as
// the values were (countCells is left rolled up), and keeps the sums that rates replace.
ProtectionSources protectionSources(TabulationState& state);

// Sets the model's marks and legend: "X" where suppressedCells says so, ".." for a rate whose
// divisor is 0, "*" for a rate whose numerator is below the limit. Reads the rates' divisors,
// so it runs before the state's cells are released.
void markProtectedCells(ResultModel& model, const ProtectionSources& sources,
                        const TabulationState& state);
