// `seriak -C`: writes beside each data file its column file (format in common/column_file.h),
// so that the tabulator reads only the fields a request needs.
#pragma once

#include <cstdint>
#include <string>

#include "dbf_table.h"

// Writes the column file of the open table beside `dataPath` (replacing one stored under a name
// that differs only in case), under a temporary name renamed into place. Reads the records
// twice: once to find each field's distinct values, once to write. Returns the failure text
// (empty on success), in which case nothing new is left beside the data.
std::string writeColumnFile(DbfTable& table, const std::string& dataPath, std::uint64_t& fileSize);

// The end of the console line of one data file: " colunas em dia" when its column file is
// current, else " colunas: N bytes" once it is written. On a failure, `error` gets its text.
std::string columnFileNote(DbfTable& table, const std::string& dataPath, std::string& error);
