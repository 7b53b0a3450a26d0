// The result as tidy CSV, for scripts (formato=csv): one line per cell the page shows, RFC 4180,
// "," between fields, "." before decimals, UTF-8.
#pragma once

#include <cstdio>

#include "result_model.h"

// The header line of the tidy CSV.
inline constexpr const char* kTidyCsvHeader =
    "row_code,row_label,column_code,column_label,measure_code,measure,value,flag,level";

void writeTidyCsv(std::FILE* file, const ResultModel& model);
