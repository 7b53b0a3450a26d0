#include "html_table.h"

void writeHeadingBlock(const TabulationState&) {}
void writePlainTable(const TabulationState&) {}
void writeStyledTable(const TabulationState&) {}
