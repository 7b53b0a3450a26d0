// Writes dBase III tables for the demo site: the data files and the two conversion tables.
// The record count is known before the first record, so the header is written once and the
// records are streamed; the table appears under its name only when complete.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct DbfColumn {
  std::string name;  // at most 10 characters, stored as given
  char type = 'C';   // 'C' text (left-aligned), 'N' number (right-aligned), 'D' yyyymmdd
  int length = 1;
  int decimals = 0;
};

struct DbfWriter {
  std::string path, temporaryPath;
  std::FILE* file = nullptr;
  std::vector<DbfColumn> columns;
  std::int32_t recordCount = 0, written = 0;
  std::string record;  // reused buffer: deletion mark + fields
};

// False (with a message on standard error) when the file cannot be created.
bool openDbfWriter(DbfWriter& writer, const std::string& path,
                   const std::vector<DbfColumn>& columns, std::int32_t recordCount);
// One value per column; each is padded to its column and cut when longer.
void appendDbfRecord(DbfWriter& writer, const std::vector<std::string>& values);
// Ends the table and moves it to its name; false when a write failed or the count differs.
bool closeDbfWriter(DbfWriter& writer);
