// The result as an HTML table: the plain table, and the styled table whose class names the
// site's style sheet dresses.
#pragma once

#include "result_model.h"

void writePlainTable(const ResultModel& model);
void writeStyledTable(const ResultModel& model);
