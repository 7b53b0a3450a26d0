// A DBF table of any bytes: open it, read every record the header claims (up to a bound) and
// every field of each, look a name up, close it.
#include <algorithm>
#include <cstdint>

#include "dbf_table.h"
#include "harness.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  enterScratchDirectory("dbf_table");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  writeScratchFile("t.dbf", std::string_view(reinterpret_cast<const char*>(data), size));
  runGuarded([] {
    DbfTable table;
    if (OpenDBF(table, "t.dbf")) return;
    unsigned sum = 0;
    // Records beyond the file read as blanks; a bound keeps a header that claims two billion of
    // them from turning one input into a long loop.
    const std::int32_t last = std::min<std::int32_t>(table.recordCount, 1000);
    for (std::int32_t n = 1; n <= last; ++n) {
      if (readDBF(table, n)) return;
      for (int f = 1; f <= table.fieldCount; ++f) {
        for (char c : fieldValue(table, f)) sum += static_cast<unsigned char>(c);
      }
    }
    if (table.recordCount > 0 && readDBF(table, 1)) return;  // a jump back to the first block
    sum += static_cast<unsigned>(fieldIndex(table, "CODMUN"));
    if (table.fieldCount > 0) sum += static_cast<unsigned>(fieldIndex(table, table.fields[1].name));
    if (CloseDBF(table)) __builtin_trap();
    if (sum == 0xFFFFFFFF) writeScratchFile("never", "");
    // A closed table refuses to read.
    if (!readDBF(table, 1)) __builtin_trap();
  });
  return 0;
}
