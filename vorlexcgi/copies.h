// The downloadable copies of the result (CSV and the desktop tabulator's ".tab"), the links to
// them and the footer lines; and the parameter block between "</BODY>" and "</HTML>".
#pragma once

#include "state.h"

// Step after the table: copies and links when a "csv" directory exists, then the F lines;
// nothing when copies are suppressed.
void writeCopiesAndLinks(TabulationState& state);
// The parameter block; nothing when copies are suppressed.
void writeTableBlock(const TabulationState& state);
