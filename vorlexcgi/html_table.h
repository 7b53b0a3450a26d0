// The result as an HTML table: the plain table, and the styled table whose class names the
// site's style sheet dresses.
#pragma once

#include <string>

#include "result_model.h"

void writePlainTable(const ResultModel& model);
void writeStyledTable(const ResultModel& model);

// A cell of the totals row (row 0), of a body row or of the totals column (column 0) as the
// HTML layouts write it, with its mark; only the totals row never uses the hyphen.
std::string tableCellText(const ResultModel& model, int row, int column);
