// The chart below the modern result table, a writer of the result model: horizontal bars of the
// first measure by row in the table's order, grouped by column category when a column is
// active, as inline SVG without script. Each bar carries its label and value as the table writes
// it (marks included) in a title; suppressed values are empty outlined bars marked "X", not
// computable ones have no bar; total and summary rows are left out, their parts are drawn.
#pragma once

#include "result_model.h"

inline constexpr int kMostChartRows = 40;
inline constexpr int kMostChartSeries = 8;

// Nothing when the table has no row or column to draw.
void writeResultChart(const ResultModel& model);
