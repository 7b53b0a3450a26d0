// The spreadsheet copy for the desktop tabulator: a ".tab" file in the "csv" directory with the
// request's titles, the map the tabulator should draw the rows on, the selections and the table.
#pragma once

#include <string>

#include "result_model.h"

// Writes the copy to `path`, created anew; fails as writeCopyFile does.
[[nodiscard]] Status writeSpreadsheetCopy(const ResultModel& model, const std::string& path);
// The "Nomemapa=" line chosen by the row conversion file's name; empty when there is none.
std::string mapLine(const std::string& conversionFile);
