// The downloadable copies of the result (CSV and the desktop tabulator's ".tab"), the links to
// them and the footer lines; and the parameter block between "</BODY>" and "</HTML>".
#pragma once

#include "result_model.h"
#include "state.h"

// After the table: the copies of the result and the links to them when a "csv" directory
// exists, then the F lines; nothing when copies are suppressed. The copies' names are kept in
// the state for the log.
// A copy that cannot be written fails, and leaves no copy, claimed name or temporary behind.
[[nodiscard]] Status writeCopiesAndLinks(TabulationState& state, const ResultModel& model);
// The copies alone, into "csv" when it exists and copies are not suppressed; their names are kept
// in the state and `written` tells whether there are any. Fails as writeCopiesAndLinks does.
[[nodiscard]] Status writeCopies(TabulationState& state, const ResultModel& model, bool& written);
// The size of a written copy in bytes; -1 when it cannot be read.
long long copySize(const std::string& name);
// The parameter block; nothing when copies are suppressed.
void writeTableBlock(const TabulationState& state);
