// Reads one data file (through its municipality index when that is current and names a
// selection) and adds each passing record into the cells.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "failure.h"
#include "state.h"

// Where the engine reports a line into the page as it reads: a field a data file lacks (the file
// is left out), a value a threshold dimension cannot read (the record counts in no category).
using NoteSink = std::function<void(std::string_view line)>;

// Adds the records of one data file into the state's cells. A file the reader cannot open or
// read, or an index line whose record numbers cannot be read, fails.
[[nodiscard]] Status tabulateFile(TabulationState& state, const std::string& path,
                                  const NoteSink& notes);
// The value a measure text adds: a decimal number with "." as decimal point; blank gives 0.
double measureValue(std::string_view text);
