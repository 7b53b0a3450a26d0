// A column file of any bytes beside a data file of any bytes: open it against the table and, when
// it is taken, read every field of every record and prefetch every column. The input: the data
// file, then the column file. The data file gets the fixed modification time the seeds were
// written with, so that a seed's column file is current and the fuzzer starts past the key.
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>

#include "column_file.h"
#include "dbf_table.h"
#include "harness.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  enterScratchDirectory("column_file");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto parts = splitParts(data, size, 2);
  writeScratchFile("t.dbf", parts[0]);
  writeScratchFile("t.COL", parts[1]);
  const timespec times[2] = {kFuzzDataTime, kFuzzDataTime};
  utimensat(AT_FDCWD, "t.dbf", times, 0);
  runGuarded([] {
    DbfTable table;
    if (OpenDBF(table, "t.dbf")) return;
    ColumnFile columns;
    if (openColumnFile(columns, table, "t.dbf")) {
      unsigned sum = 0;
      // Past the held records every value is blank; a bound keeps a header that claims two
      // billion records from turning one input into a long loop.
      const std::int32_t last = std::min(table.recordCount, columns.recordsHeld + 2);
      for (std::int32_t n = 1; n <= last; ++n) {
        for (int f = 1; f <= table.fieldCount; ++f) {
          for (char c : columnFieldValue(columns, f, n)) sum += static_cast<unsigned char>(c);
        }
      }
      for (int f = 0; f <= table.fieldCount + 1; ++f) prefetchColumn(columns, f, 0, last + 1);
      if (sum == 0xFFFFFFFF) writeScratchFile("never", "");
    }
  });
  return 0;
}
