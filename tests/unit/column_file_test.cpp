// Column files: what the writer stores gives back, field by field, exactly the bytes the record
// reader gives, in every encoding; a column file that no longer describes its data file (the
// data rewritten or touched, the column file cut, damaged or another file's) is never used.
#include "column_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "column_writer.h"
#include "program_run.h"
#include "test_dbf.h"
#include "test_paths.h"

namespace fs = std::filesystem;

namespace {

std::string writeColumns(const std::string& dataPath) {
  DbfTable table;
  if (Status failure = OpenDBF(table, dataPath)) return failure->text;
  std::uint64_t size = 0;
  const Status failure = writeColumnFile(table, dataPath, size);
  return failure ? failure->text : "";
}

bool columnsUsable(const std::string& dataPath) {
  DbfTable table;
  if (OpenDBF(table, dataPath)) return false;
  ColumnFile columns;
  return openColumnFile(columns, table, dataPath);
}

// Every field of every record (blank ones included) as the column file gives it equals what the
// record reader gives; `body` may look at the open column file too.
void expectSameAsRecords(const std::string& dataPath,
                         const std::function<void(const ColumnFile&)>& body = {}) {
  DbfTable table;
  EXPECT_FALSE(OpenDBF(table, dataPath));
  ColumnFile columns;
  ASSERT_TRUE(openColumnFile(columns, table, dataPath)) << dataPath;
  EXPECT_EQ(table.recordsHeld, columns.recordsHeld);
  for (std::int32_t n = 1; n <= table.recordCount; ++n) {
    EXPECT_FALSE(readDBF(table, n));
    for (int f = 1; f <= table.fieldCount; ++f) {
      ASSERT_EQ(fieldValue(table, f), columnFieldValue(columns, f, n))
          << dataPath << " record " << n << " field " << table.fields[f].name;
    }
  }
  if (body) body(columns);
  EXPECT_FALSE(CloseDBF(table));
}

std::string number(int value, int width) {
  std::string text = std::to_string(value);
  return std::string(width - static_cast<int>(text.size()), '0') + text;
}

// `count` rows: a code of 300 values (a two-byte dictionary), a sex of two (one byte), an age
// of 90 (one byte, narrower than its three bytes) and a cost that never repeats (raw).
TestDbf mixedTable(int count) {
  TestDbf dbf{{{"MUNRES", 'C', 6}, {"SEXO", 'C', 1}, {"IDADE", 'N', 3}, {"CUSTO", 'N', 10, 2}}, {}};
  for (int i = 0; i < count; ++i) {
    dbf.rows.push_back({"35" + number(i % 300, 4), i % 3 ? "1" : "2", std::to_string(i % 90),
                        std::to_string(i) + ".25"});
  }
  return dbf;
}

void setModified(const std::string& path, std::int64_t seconds, long nanoseconds) {
  const timespec times[2] = {{static_cast<time_t>(seconds), nanoseconds},
                             {static_cast<time_t>(seconds), nanoseconds}};
  ASSERT_EQ(0, utimensat(AT_FDCWD, path.c_str(), times, 0));
}

}  // namespace

TEST(ColumnFile, EncodingFollowsDistinctValuesAndSize) {
  const struct {
    int length;
    std::uint32_t distinct;  // 0: more than a dictionary holds
    std::int32_t held;
    ColumnEncoding encoding;
    int codeWidth;
  } cases[] = {
      {6, 5600, 1000000, ColumnEncoding::dictionary, 2},
      {3, 256, 1000, ColumnEncoding::dictionary, 1},
      {3, 257, 1000, ColumnEncoding::dictionary, 2},
      {8, 65536, 1000000, ColumnEncoding::dictionary, 2},
      {8, 65537, 1000000, ColumnEncoding::raw, 0},
      {8, 0, 1000000, ColumnEncoding::raw, 0},
      // As wide as the codes: a dictionary while it costs at most a sixteenth more.
      {1, 2, 1000, ColumnEncoding::dictionary, 1},
      {1, 2, 100, ColumnEncoding::raw, 0},
      {2, 300, 4800, ColumnEncoding::dictionary, 2},
      {2, 300, 4700, ColumnEncoding::raw, 0},
      // A few records of many distinct values: the entries would outweigh the codes.
      {10, 50, 50, ColumnEncoding::raw, 0},
      {0, 1, 1000, ColumnEncoding::raw, 0},
      {5, 1, 0, ColumnEncoding::raw, 0},
  };
  for (const auto& c : cases) {
    const ColumnPlan plan = chooseEncoding(c.length, c.distinct, c.held);
    EXPECT_EQ(c.encoding, plan.encoding) << c.length << " " << c.distinct << " " << c.held;
    EXPECT_EQ(c.codeWidth, plan.codeWidth) << c.length << " " << c.distinct << " " << c.held;
  }
}

TEST(ColumnFile, EachEncodingGivesBackTheRecordBytes) {
  const std::string path = mixedTable(3000).writeTo(tempPath("DO96.dbf"));
  ASSERT_EQ("", writeColumns(path));
  EXPECT_TRUE(fs::exists(tempPath("DO96.COL")));
  expectSameAsRecords(path, [](const ColumnFile& columns) {
    const struct {
      int field;
      ColumnEncoding encoding;
      int width;
      std::uint32_t entries;
    } want[] = {
        {1, ColumnEncoding::dictionary, 2, 300},
        {2, ColumnEncoding::dictionary, 1, 2},
        {3, ColumnEncoding::dictionary, 1, 90},
        {4, ColumnEncoding::raw, 0, 0},
    };
    for (const auto& w : want) {
      const FieldColumn& column = columns.columns[w.field];
      EXPECT_EQ(w.encoding, column.encoding) << w.field;
      EXPECT_EQ(w.width, column.codeWidth) << w.field;
      EXPECT_EQ(w.entries, column.entryCount) << w.field;
    }
    // Codes follow the byte order of the values.
    const FieldColumn& code = columns.columns[1];
    EXPECT_EQ("350000", dictionaryEntry(code, 0));
    EXPECT_EQ("350299", dictionaryEntry(code, 299));
    EXPECT_EQ("", dictionaryEntry(code, 300));
    EXPECT_EQ(7u, columnCode(code, 8));
    // Prefetching any range, sensible or not, only advises the kernel.
    for (int field = 0; field <= 5; ++field) prefetchColumn(columns, field, -5, 1 << 30);
  });
}

TEST(ColumnFile, FieldWithMoreValuesThanADictionaryHoldsIsStoredRaw) {
  // 70,000 distinct values overflow the two-byte codes midway; 40,000 fit them, after the
  // value table has grown many times.
  TestDbf dbf{{{"CHAVE", 'C', 6}, {"GRUPO", 'C', 6}}, {}};
  for (int i = 0; i < 70000; ++i) {
    dbf.rows.push_back({number(i, 6), number(i * 7 % 40000, 6)});
  }
  const std::string path = dbf.writeTo(tempPath("DO96.dbf"));
  ASSERT_EQ("", writeColumns(path));
  expectSameAsRecords(path, [](const ColumnFile& columns) {
    EXPECT_EQ(ColumnEncoding::raw, columns.columns[1].encoding);
    EXPECT_EQ(ColumnEncoding::dictionary, columns.columns[2].encoding);
    EXPECT_EQ(40000u, columns.columns[2].entryCount);
  });
}

TEST(ColumnFile, PartialLastRecordBlankRecordsAndDeletionMarks) {
  const struct {
    const char* what;
    int cutBytes;                       // bytes cut from the end of the file
    std::optional<std::int32_t> count;  // the header's record count
  } cases[] = {
      {"whole", 0, std::nullopt},
      {"last record cut inside its last field", 4, std::nullopt},
      {"last record cut to its deletion mark", 14, std::nullopt},
      {"header claims more records", 0, 9},
      {"cut and more claimed", 7, 6},
      {"header claims fewer records", 0, 2},
  };
  for (const auto& c : cases) {
    TestDbf dbf = mixedTable(4);
    dbf.rows[1].mark = '*';
    dbf.endMark = false;
    dbf.recordCount = c.count;
    const std::string path = dbf.writeTo(tempPath("DO96.dbf"));
    fs::resize_file(path, fs::file_size(path) - static_cast<std::uintmax_t>(c.cutBytes));
    ASSERT_EQ("", writeColumns(path)) << c.what;
    expectSameAsRecords(path);
  }
}

TEST(ColumnFile, TableWithoutRecordsOrFields) {
  const TestDbf tables[] = {TestDbf{{{"MUNRES", 'C', 6}}, {}}, TestDbf{{}, {}}};
  for (const TestDbf& dbf : tables) {
    const std::string path = dbf.writeTo(tempPath("DO96.dbf"));
    ASSERT_EQ("", writeColumns(path));
    expectSameAsRecords(path, [](const ColumnFile& columns) { EXPECT_EQ(0, columns.recordsHeld); });
  }
}

TEST(ColumnFile, StaleColumnFileIsIgnored) {
  TestDbf renamed = mixedTable(50), appended = mixedTable(51), recounted = mixedTable(50);
  renamed.fields[1].name = "SEXA";
  appended.recordCount = 50;
  recounted.recordCount = 60;
  // The data file as the column file was written: 50 records, modified at 1700000000.000000001.
  const struct {
    const char* what;
    TestDbf data;
    std::int64_t seconds;
    long nanoseconds;
  } cases[] = {
      {"touched, nanoseconds apart", mixedTable(50), 1700000000, 2},
      {"touched, seconds apart", mixedTable(50), 1700000001, 1},
      {"a field renamed, same size and time", renamed, 1700000000, 1},
      {"a record appended, same header and time", appended, 1700000000, 1},
      {"header record count changed, same size and time", recounted, 1700000000, 1},
  };
  for (const auto& c : cases) {
    const std::string path = mixedTable(50).writeTo(tempPath("DO96.dbf"));
    setModified(path, 1700000000, 1);
    ASSERT_EQ("", writeColumns(path));
    ASSERT_TRUE(columnsUsable(path)) << c.what;
    c.data.writeTo(path);
    setModified(path, c.seconds, c.nanoseconds);
    EXPECT_FALSE(columnsUsable(path)) << c.what;
  }
}

TEST(ColumnFile, CutDamagedOrForeignColumnFileIsIgnored) {
  const std::string path = mixedTable(3000).writeTo(tempPath("DO96.dbf"));
  setModified(path, 1700000000, 1);
  ASSERT_EQ("", writeColumns(path));
  const std::string good = readFileBytes(tempPath("DO96.COL"));
  // The column entries of field 1 (a two-byte dictionary) and field 4 (raw, the last section).
  const std::size_t entry = kColumnHeaderSize + kColumnLayoutSize * 4;
  const std::size_t rawEntry = entry + 3 * kColumnEntrySize;
  const std::size_t section = kColumnHeaderSize + (kColumnLayoutSize + kColumnEntrySize) * 4;
  auto offsetBytes = [](std::uint64_t offset) {
    std::string bytes(8, '\0');
    for (int i = 0; i < 8; ++i) bytes[i] = static_cast<char>(offset >> (8 * i) & 0xFF);
    return bytes;
  };
  auto patched = [&](std::size_t at, std::string bytes) {
    return good.substr(0, at) + bytes + good.substr(at + bytes.size());
  };
  const struct {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"empty", ""},
      {"cut inside the header", good.substr(0, 40)},
      {"cut before the column entries", good.substr(0, section - 1)},
      {"cut inside a section", good.substr(0, good.size() / 2)},
      {"last byte cut", good.substr(0, good.size() - 1)},
      {"a byte appended", good + '\0'},
      {"other magic", patched(0, "VXCOLUNB")},
      {"other version", patched(8, std::string("\x02\0\0\0", 4))},
      {"other field count", patched(12, std::string("\x03\0\0\0", 4))},
      {"field renamed", patched(kColumnHeaderSize, "MUNRESX")},
      {"field length", patched(kColumnHeaderSize + 12, "\x07")},
      {"unknown encoding", patched(entry, "\x03")},
      {"raw with a code width", patched(rawEntry + 1, "\x01")},
      {"raw with entries", patched(rawEntry + 4, "\x01")},
      {"code width 3", patched(entry + 1, "\x03")},
      {"no entries", patched(entry + 4, std::string(4, '\0'))},
      {"more entries than two-byte codes", patched(entry + 4, std::string("\x01\x00\x01\x00", 4))},
      {"section offset not a multiple of 8", patched(entry + 8, "\x01")},
      {"section inside the header", patched(entry + 8, std::string(8, '\0'))},
      {"section past the end", patched(entry + 8, std::string(8, '\x7F'))},
      {"section size other than its values", patched(entry + 16, "\x01")},
      {"section without its slack", patched(rawEntry + 8, offsetBytes(good.size() - 3000 * 10))},
  };
  for (const auto& c : cases) {
    writeFileBytes(tempPath("DO96.COL"), c.bytes);
    EXPECT_FALSE(columnsUsable(path)) << c.what;
  }
  // Another data file's column file, even one of the same size and time.
  TestDbf other = mixedTable(300);
  other.fields[2].name = "SEXA";
  other.writeTo(tempPath("DO97.dbf"));
  setModified(tempPath("DO97.dbf"), 1700000000, 1);
  writeFileBytes(tempPath("DO97.COL"), good);
  EXPECT_FALSE(columnsUsable(tempPath("DO97.dbf")));
  writeFileBytes(tempPath("DO96.COL"), good);
  EXPECT_TRUE(columnsUsable(path));
}
