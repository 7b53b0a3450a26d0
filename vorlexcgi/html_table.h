// The result as an HTML table: the heading block, the plain table and the styled table.
#pragma once

#include "state.h"

void writeHeadingBlock(const TabulationState& state);
void writePlainTable(const TabulationState& state);
void writeStyledTable(const TabulationState& state);
