// Reads one data file (through its municipality index when that is current and names a
// selection) and adds each passing record into the cells.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "failure.h"
#include "field_reading.h"
#include "state.h"

// Adds the records of one data file into the state's cells. A file the reader cannot open or
// read, or an index line whose record numbers cannot be read, fails.
[[nodiscard]] Status tabulateFile(TabulationState& state, const std::string& path,
                                  const NoteSink& notes);
// Adds the records of the data files, in order, as tabulateFile would one after the other. Files
// read from their column files are split over threads together (state.settings.threads).
[[nodiscard]] Status tabulateDataFiles(TabulationState& state,
                                       const std::vector<std::string>& paths,
                                       const NoteSink& notes);
// The value a measure text adds: a decimal number with "." as decimal point; blank gives 0.
double measureValue(std::string_view text);
