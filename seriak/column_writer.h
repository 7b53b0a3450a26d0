// `seriak -C`: writes beside each data file its column file (format in common/column_file.h),
// so that the tabulator reads only the fields a request needs.
#pragma once

#include <cstdint>
#include <string>

#include "dbf_table.h"

// Writes the column file of the open table beside `dataPath` (replacing one stored under a name
// that differs only in case), under a temporary name renamed into place. Reads the records
// twice: once to find each field's distinct values, once to write. On failure nothing new is
// left beside the data.
[[nodiscard]] Status writeColumnFile(DbfTable& table, const std::string& dataPath,
                                     std::uint64_t& fileSize);

// Writes the column file unless it is current; `note` is the end of the console line of the data
// file: " colunas em dia", or " colunas: N bytes" once it is written.
[[nodiscard]] Status writeColumnFileOf(DbfTable& table, const std::string& dataPath,
                                       std::string& note);
