// Reads one data file (through its municipality index when that is current and names a
// selection) and adds each passing record into the cells.
#pragma once

#include <string>
#include <string_view>

#include "state.h"

void tabulateFile(TabulationState& state, const std::string& path);
// The value a measure text adds: a decimal number with "." as decimal point; blank gives 0.
double measureValue(std::string_view text);
