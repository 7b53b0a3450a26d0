// Primary and complementary cell suppression of a result table: which cells the outputs must not
// publish so that no count below the limit shows and no hidden value can be worked out from the
// sums the table shows. Works on the result model and the record count behind each cell; the
// confidentiality step turns its answer into marks.
#pragma once

#include <cstddef>
#include <vector>

#include "result_model.h"

// One additive relation among the published cells: the first `totals` cells (0 or 1) sum the
// others. Cell numbers are the model's value layout.
struct CellRelation {
  std::vector<std::size_t> cells;
  int totals = 1;
};

// Whether the table formats publish each cell: written rows (the totals row when shown) by
// written columns (the totals column when written). Zero rows and zero columns are left out:
// a reader knows them to be 0.
std::vector<bool> publishedCells(const ResultModel& model);

// Which sums hold among the values a table shows: both kinds for counts and sums, and for rates,
// whose numerators follow from a published divisor such as a population; for a percentage only
// the sums along its base (its 100).
struct RelationKinds {
  bool rowSums = true;     // each row with its row total
  bool columnSums = true;  // each column with its total, each summary row with its rows
};

// The relations a reader can check in the table: each row with its row total (when the totals
// column is written); each column with its total (when the totals row is shown), over the rows
// the total counts, once at the finest level and once with every complete group of rows replaced
// by the summary row it rolls into; each summary row with the rows that roll into it.
std::vector<CellRelation> shownRelations(const ResultModel& model, RelationKinds kinds = {});

// What the search decides on, laid out as the model's values.
struct SuppressionInput {
  std::vector<double> counts;  // records behind each cell, totals included
  // What complements are chosen by, the smallest non-zero first: the true value of a count or
  // sum, and the record count behind a rate or percentage, whose value says nothing of how much
  // the cell holds.
  std::vector<double> sizes;
  // Cells a reader knows whatever they show, such as the 100 of a percentage's base: never an
  // unknown in a relation and never chosen as a complement. Empty: none.
  std::vector<bool> known;
  RelationKinds kinds;
};

// suppressed[cell], in the model's value layout. Primary: a count of 1..limit-1 records.
// Complementary, to a fixed point: a relation left with exactly one suppressed published cell
// gets its smallest non-zero published cell suppressed too (ties by position); and a suppressed
// cell that the relations still pin down in combination gets one more suppressed beside it.
// Cells of no records are never chosen.
std::vector<bool> suppressedCells(const ResultModel& model, const SuppressionInput& input,
                                  int limit);
