// The DBF reader: header decoding, both field-count rules, the block cache, the failure lines,
// and the refusal of headers that cannot be read safely.
#include "dbf_table.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <sstream>

#include "program_run.h"
#include "test_dbf.h"
#include "test_paths.h"

namespace {

// Opens the table, runs `body` on it, closes it.
template <typename Body>
void withTable(const std::string& path, Body body) {
  DbfTable table;
  ASSERT_FALSE(OpenDBF(table, path));
  body(table);
  EXPECT_FALSE(CloseDBF(table));
}

// What a program writes of a step's failure, and the status it ends with; nothing and 0 when the
// step succeeded.
ChildRun ended(const Status& failure) {
  ChildRun run;
  run.exited = true;
  run.status = failure ? failure->status : 0;
  if (failure) run.output = failure->text + (failure->lineEnd ? "\r\n" : "");
  return run;
}

// The end of opening (and, when asked, reading record `record` of) a table.
ChildRun openAndRead(const std::string& path, std::int32_t record = 0) {
  DbfTable table;
  Status failure = OpenDBF(table, path);
  if (!failure && record != 0) failure = readDBF(table, record);
  return ended(failure);
}

std::string refusal(const std::string& path) {
  return "OpenDBF:" + path +
         " cabe\xE7"
         "alho inv\xE1lido!\r\n";
}

}  // namespace

TEST(DbfTable, HeaderValuesAreDecoded) {
  TestDbf dbf{{{"CODMUN", 'C', 6}, {"PESO", 'N', 6, 2}}, {{"355030", "1.5"}}};
  dbf.year = 96;
  dbf.month = 7;
  dbf.day = 5;
  dbf.languageDriver = 0x57;
  withTable(dbf.writeTo(tempPath("t.dbf")), [](const DbfTable& table) {
    EXPECT_TRUE(table.open);
    EXPECT_FALSE(table.hasMemo);
    EXPECT_EQ("19960705", table.lastUpdate);
    EXPECT_EQ(1, table.recordCount);
    EXPECT_EQ(97, table.headerLength);
    EXPECT_EQ(13, table.recordLength);
    EXPECT_EQ(2, table.fieldCount);
    EXPECT_EQ(0x57, table.languageDriver);
    EXPECT_EQ(-1, table.currentBlock);
    EXPECT_EQ(nullptr, table.currentRecord);
    const DbfField& peso = table.fields[2];
    EXPECT_EQ("PESO", peso.name);
    EXPECT_EQ('N', peso.type);
    EXPECT_EQ(6, peso.length);
    EXPECT_EQ(2, peso.decimals);
    EXPECT_EQ(7, peso.offset);
    EXPECT_EQ(1, table.fields[1].offset);
  });
}

TEST(DbfTable, YearByteCountsFrom2000UpTo50) {
  const struct {
    std::uint8_t year;
    const char* date;
  } cases[] = {{0, "20000131"},  {50, "20500131"},  {51, "19510131"},
               {99, "19990131"}, {120, "20200131"}, {255, "21550131"}};
  for (const auto& c : cases) {
    TestDbf dbf{{{"A", 'C', 1}}, {}};
    dbf.year = c.year;
    withTable(dbf.writeTo(tempPath("t.dbf")), [&](const DbfTable& table) {
      EXPECT_EQ(c.date, table.lastUpdate) << "year byte " << int(c.year);
    });
  }
}

TEST(DbfTable, OnlyVersion83MarksMemo) {
  const struct {
    std::uint8_t version;
    bool memo;
  } cases[] = {{0x83, true}, {0x03, false}, {0x8B, false}, {0xF5, false}, {0x30, false}};
  for (const auto& c : cases) {
    TestDbf dbf{{{"A", 'C', 1}}, {"x"}};
    dbf.version = c.version;
    withTable(dbf.writeTo(tempPath("t.dbf")), [&](const DbfTable& table) {
      EXPECT_EQ(c.memo, table.hasMemo) << "version " << int(c.version);
    });
  }
}

TEST(DbfTable, FieldCountFollowsVersionByteAndHeaderLength) {
  const struct {
    std::uint8_t version;
    int headerLength;
    int fields;
  } cases[] = {
      {0x30, 328, 1}, {0x03, 328, 9},  // the terminator plays no part
      {0x03, 33, 0},  {0x03, 64, 0},   {0x03, 65, 1},
      {0x30, 296, 0}, {0x03, 8225, 0},  // 256 fields: the count is one byte
  };
  for (const auto& c : cases) {
    TestDbf dbf{{{"CODMUN", 'C', 6}}, {"355030"}};
    dbf.version = c.version;
    dbf.headerLength = c.headerLength;
    dbf.recordLength = 7;
    withTable(dbf.writeTo(tempPath("t.dbf")), [&](const DbfTable& table) {
      EXPECT_EQ(c.fields, table.fieldCount)
          << "version " << int(c.version) << " header " << c.headerLength;
      ASSERT_EQ(table.fieldCount + 1u, table.fields.size());
    });
  }
}

TEST(DbfTable, NamesAreTakenAsStoredUpToTheFirstNulOrTenBytes) {
  TestDbf dbf{{{"codmun", 'C', 1}, {"ABCDEFGHIJK", 'C', 1}, {"AB\xE3", 'C', 1}}, {}};
  withTable(dbf.writeTo(tempPath("t.dbf")), [](const DbfTable& table) {
    EXPECT_EQ("codmun", table.fields[1].name);
    EXPECT_EQ("ABCDEFGHIJ", table.fields[2].name);
    EXPECT_EQ("AB\xE3", table.fields[3].name);
  });
}

TEST(DbfTable, FieldIndexUpperCasesTheArgumentOnly) {
  TestDbf dbf{{{"CODMUN", 'C', 6}, {"peso", 'N', 4}, {"IDADE", 'N', 3}, {"CODMUN", 'C', 2}}, {}};
  withTable(dbf.writeTo(tempPath("t.dbf")), [](const DbfTable& table) {
    const struct {
      const char* asked;
      int found;
    } cases[] = {
        {"CODMUN", 4}, {"codmun", 4},  // last match wins: the later of two fields named alike
        {"Idade", 3},  {"peso", 0},    // a name stored in lower case is never found
        {"PESO", 0},   {"IDAD", 0},   {"IDADE ", 0}, {"", 0}};
    for (const auto& c : cases) EXPECT_EQ(c.found, fieldIndex(table, c.asked)) << c.asked;
  });
}

TEST(DbfTable, RecordsAreReadAsStoredDeletedOnesToo) {
  TestDbf dbf{{{"CODMUN", 'C', 6}, {"PESO", 'N', 5, 1}},
              {{"355030", "1.5"}, {"3304", "12.25"}, {"S\xE3o", ""}}};
  dbf.rows[1].mark = '*';
  withTable(dbf.writeTo(tempPath("t.dbf")), [](DbfTable& table) {
    const struct {
      int record;
      char mark;
      const char* codmun;
      const char* peso;
    } cases[] = {
        {2, '*', "3304  ", "12.25"}, {1, ' ', "355030", "  1.5"}, {3, ' ', "S\xE3o   ", "     "}};
    for (const auto& c : cases) {
      ASSERT_FALSE(readDBF(table, c.record));
      EXPECT_EQ(c.record, table.currentRecordNumber);
      EXPECT_EQ(c.mark, table.currentRecord[0]) << c.record;
      EXPECT_EQ(c.codmun, fieldValue(table, 1)) << c.record;
      EXPECT_EQ(c.peso, fieldValue(table, 2)) << c.record;
    }
  });
}

TEST(DbfTable, BlockCacheReadsEachBlockOnce) {
  TestDbf dbf{{{"N", 'C', 99}}, {}};
  DbfTable probe;
  dbf.writeTo(tempPath("t.dbf"));
  ASSERT_FALSE(OpenDBF(probe, tempPath("t.dbf")));
  const int perBlock = probe.recordsPerBlock;
  EXPECT_FALSE(CloseDBF(probe));
  // A block holds whole records and never fewer than the 8001-byte block would.
  ASSERT_GE(perBlock, 80);
  for (int n = 1; n <= 2 * perBlock + 1; ++n) dbf.rows.push_back(std::to_string(n));
  withTable(dbf.writeTo(tempPath("t.dbf")), [&](DbfTable& table) {
    const struct {
      int record;
      int reads;
    } steps[] = {{1, 1},
                 {2, 1},
                 {perBlock, 1},  // one block
                 {perBlock + 1, 2},
                 {1, 3},  // a jump back to another block reads again
                 {2, 3},  // and then stays
                 {2 * perBlock + 1, 4},
                 {2 * perBlock, 5},
                 {perBlock + 1, 5}};
    for (const auto& step : steps) {
      ASSERT_FALSE(readDBF(table, step.record));
      EXPECT_EQ(step.reads, table.blockReads) << "record " << step.record;
      EXPECT_EQ(std::to_string(step.record),
                fieldValue(table, 1).substr(0, std::to_string(step.record).size()));
    }
  });
  // A sequential pass reads each block once.
  withTable(tempPath("t.dbf"), [&](DbfTable& table) {
    for (int n = 1; n <= table.recordCount; ++n) ASSERT_FALSE(readDBF(table, n));
    EXPECT_EQ(3, table.blockReads);
  });
}

TEST(DbfTable, RecordsTheFileDoesNotHoldReadAsBlanks) {
  // The first block is full of "A"; the file ends one record into the second block, and the
  // header claims more. The missing records must not show what the first block left behind.
  TestDbf dbf{{{"CODMUN", 'C', 6}}, {}};
  dbf.recordLength = 8001;
  dbf.endMark = false;
  dbf.writeTo(tempPath("t.dbf"));
  DbfTable probe;
  ASSERT_FALSE(OpenDBF(probe, tempPath("t.dbf")));
  const int perBlock = probe.recordsPerBlock;
  EXPECT_FALSE(CloseDBF(probe));
  for (int n = 0; n <= perBlock; ++n) dbf.rows.push_back("AAAAAA");
  dbf.recordCount = perBlock + 3;
  dbf.trailing = "*BB";  // the start of a record cut by the end of the file
  withTable(dbf.writeTo(tempPath("t.dbf")), [&](DbfTable& table) {
    ASSERT_FALSE(readDBF(table, 1));
    const struct {
      int record;
      std::string bytes;
    } cases[] = {{perBlock + 1, " AAAAAA"}, {perBlock + 2, "*BB    "}, {perBlock + 3, "       "}};
    for (const auto& c : cases) {
      ASSERT_FALSE(readDBF(table, c.record));
      EXPECT_EQ(c.bytes, std::string(table.currentRecord, 7)) << "record " << c.record;
    }
  });
}

TEST(DbfTable, RecordsHeldCountsEveryRecordWithAByteInTheFile) {
  const struct {
    const char* what;
    std::optional<std::int32_t> claimed;
    bool endMark;
    std::string trailing;
    std::int32_t held;
  } cases[] = {
      {"as claimed", {}, true, "", 3},
      {"claims more, end byte held as a record", 2000000000, true, "", 4},
      {"claims more, no end byte", 2000000000, false, "", 3},
      {"claims more, a cut record", 2000000000, false, "*B", 4},
      {"claims fewer", 2, true, "", 2},
      {"negative count", -5, true, "", 0},
  };
  for (const auto& c : cases) {
    TestDbf dbf{{{"CODMUN", 'C', 6}}, {"110001", "110002", "110003"}};
    dbf.recordCount = c.claimed;
    dbf.endMark = c.endMark;
    dbf.trailing = c.trailing;
    withTable(dbf.writeTo(tempPath("t.dbf")),
              [&](DbfTable& table) { EXPECT_EQ(c.held, table.recordsHeld) << c.what; });
  }
}

TEST(DbfTable, LongPathIsOpenedWholeAndCutOnlyInMessages) {
  std::string folder = tempDirectory();
  while (folder.size() < 150) folder += "pasta-de-dados-longa/";
  std::filesystem::create_directories(folder);
  const std::string path = TestDbf{{{"A", 'C', 1}}, {"x"}}.writeTo(folder + "DO96.DBF");
  const struct { std::size_t limit; } cases[] = {{kMaxFileName}, {kSeriakFileName}};
  for (const auto& c : cases) {
    DbfTable table;
    ASSERT_FALSE(OpenDBF(table, path, c.limit));
    EXPECT_EQ(path.substr(0, c.limit), table.fileName);
    ASSERT_FALSE(readDBF(table, 1));
    EXPECT_EQ("x", fieldValue(table, 1));
    EXPECT_FALSE(CloseDBF(table));
  }
  // A name that differs from the stored one only in case is found.
  const std::string lower = folder + "do96.dbf";
  withTable(lower, [&](const DbfTable& table) {
    EXPECT_EQ(lower.substr(0, kMaxFileName), table.fileName);
  });
  const std::string missing = folder + "DO97.DBF";
  DbfTable table;
  EXPECT_EQ("OpenDBF:" + missing.substr(0, kSeriakFileName) + " Arquivo n\xE3o encontrado!\r\n",
            ended(OpenDBF(table, missing, kSeriakFileName)).output);
}

TEST(DbfTable, MisuseFailsWithItsLine) {
  const std::string path = TestDbf{{{"A", 'C', 1}}, {"x", "y"}}.writeTo(tempPath("t.dbf"));
  const std::string empty = TestDbf{{{"A", 'C', 1}}, {}}.writeTo(tempPath("empty.dbf"));
  const struct {
    const char* what;
    std::function<Status()> body;
    std::string output;
  } cases[] = {
      {"missing file",
       [&] {
         DbfTable t;
         return OpenDBF(t, tempPath("none.dbf"));
       },
       "OpenDBF:" + tempPath("none.dbf") + " Arquivo n\xE3o encontrado!\r\n"},
      {"read before open",
       [&] {
         DbfTable t;
         t.fileName = "X";
         return readDBF(t, 1);
       },
       "readDBF:X n\xE3o aberto!\r\n"},
      {"close before open",
       [&] {
         DbfTable t;
         t.fileName = "X";
         return CloseDBF(t);
       },
       "CloseDBF:X n\xE3o aberto!\r\n"},
      {"read after close",
       [&] {
         DbfTable t;
         if (Status f = OpenDBF(t, path)) return f;
         if (Status f = CloseDBF(t)) return f;
         return readDBF(t, 1);
       },
       "readDBF:" + path + " n\xE3o aberto!\r\n"},
      {"close twice",
       [&] {
         DbfTable t;
         if (Status f = OpenDBF(t, path)) return f;
         if (Status f = CloseDBF(t)) return f;
         return CloseDBF(t);
       },
       "CloseDBF:" + path + " n\xE3o aberto!\r\n"},
      // The record-number line has no line end.
      {"record 0",
       [&] {
         DbfTable t;
         if (Status f = OpenDBF(t, path)) return f;
         return readDBF(t, 0);
       },
       "readDBF:" + path + " N\xFAmero de Reg inv\xE1lido = 0"},
      {"record past the count",
       [&] {
         DbfTable t;
         if (Status f = OpenDBF(t, path)) return f;
         return readDBF(t, 3);
       },
       "readDBF:" + path + " N\xFAmero de Reg inv\xE1lido = 3"},
      {"negative record",
       [&] {
         DbfTable t;
         if (Status f = OpenDBF(t, path)) return f;
         return readDBF(t, -7);
       },
       "readDBF:" + path + " N\xFAmero de Reg inv\xE1lido = -7"},
      {"empty table",
       [&] {
         DbfTable t;
         if (Status f = OpenDBF(t, empty)) return f;
         return readDBF(t, 1);
       },
       "readDBF:" + empty + " N\xFAmero de Reg inv\xE1lido = 1"},
      // A request can choose a data file's name: the messages land in the page escaped.
      {"name holding markup",
       [&] {
         DbfTable t;
         t.fileName = "<b>\"x\"&";
         return readDBF(t, 1);
       },
       "readDBF:&lt;b&gt;&quot;x&quot;&amp; n\xE3o aberto!\r\n"},
      {"name with a NUL before a real file",
       [&] {
         DbfTable t;
         return OpenDBF(t, path + std::string(1, '\0') + "<i>");
       },
       "OpenDBF:" + path + std::string(1, '\0') + "&lt;i&gt; Arquivo n\xE3o encontrado!\r\n"},
  };
  for (const auto& c : cases) {
    const ChildRun run = ended(c.body());
    EXPECT_EQ(c.output, run.output) << c.what;
    EXPECT_EQ(1, run.status) << c.what;
  }
}

TEST(DbfTable, HeaderThatCannotBeReadSafelyIsRefused) {
  constexpr int kOwn = -1;  // the length the writer computes
  const struct {
    const char* what;
    std::uint8_t version;
    int headerLength, recordLength;
    bool refused;
  } cases[] = {
      {"record length 0", 0x03, kOwn, 0, true},
      {"record length above the block", 0x03, kOwn, 8002, true},
      {"record length of a whole block", 0x03, kOwn, 8001, false},
      {"header too short for the 32-byte header", 0x03, 32, kOwn, true},
      {"0x30 header without room for its area", 0x30, 295, kOwn, true},
      {"fields past the record", 0x03, kOwn, 6, true},
      {"fields filling the record", 0x03, kOwn, 7, false},
      {"no fields at all", 0x03, 33, kOwn, false},
  };
  for (const auto& c : cases) {
    TestDbf dbf{{{"CODMUN", 'C', 6}}, {"355030"}};
    dbf.version = c.version;
    if (c.headerLength != kOwn) dbf.headerLength = c.headerLength;
    if (c.recordLength != kOwn) dbf.recordLength = c.recordLength;
    const std::string path = dbf.writeTo(tempPath("t.dbf"));
    const ChildRun run = openAndRead(path, 1);
    EXPECT_EQ(c.refused ? refusal(path) : "", run.output) << c.what;
    EXPECT_EQ(c.refused ? 1 : 0, run.status) << c.what;
  }
}

TEST(DbfTable, TruncatedHeaderIsRefused) {
  const std::string whole = TestDbf{{{"CODMUN", 'C', 6}, {"PESO", 'N', 4}}, {}}.bytes();
  for (const std::size_t size : {0, 20, 31, 32, 63, 95}) {
    const std::string path = tempPath("t.dbf");
    writeFileBytes(path, whole.substr(0, size));
    const ChildRun run = openAndRead(path);
    EXPECT_EQ(refusal(path), run.output) << size << " bytes";
    EXPECT_EQ(1, run.status) << size << " bytes";
  }
}

namespace {

// One table's reference reading, from the dumps beside the real files.
struct ReferenceDump {
  std::string file;
  std::map<std::string, std::string> header;        // "recordCount" -> "14", ...
  std::vector<DbfField> fields;                     // from 0, unlike the table
  std::map<int, std::vector<std::string>> records;  // number -> mark, field values as held
};

int hexValue(char c) { return c <= '9' ? c - '0' : c - 'A' + 10; }

std::string unescaped(const std::string& text) {
  std::string bytes;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x') {
      bytes += static_cast<char>(hexValue(text[i + 2]) * 16 + hexValue(text[i + 3]));
      i += 3;
    } else {
      bytes += text[i];
    }
  }
  return bytes;
}

std::string between(const std::string& line, const std::string& start, const std::string& end) {
  const std::size_t from = line.find(start) + start.size();
  return line.substr(from, line.find(end, from) - from);
}

ReferenceDump readDump(const std::string& path) {
  ReferenceDump dump;
  std::istringstream in(readFileBytes(path));
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("notes:", 0) == 0) break;
    const std::size_t colon = line.find(": ");
    if (colon == std::string::npos) continue;
    const std::string key = line.substr(0, colon), value = line.substr(colon + 2);
    if (key.rfind("field ", 0) == 0) {
      DbfField field;
      const std::size_t typeAt = value.rfind("\" type=");
      field.name = unescaped(value.substr(6, typeAt - 6));
      field.type = unescaped(between(value.substr(typeAt), "type=", " length="))[0];
      field.length = static_cast<std::uint8_t>(std::stoi(between(value, " length=", " ")));
      field.decimals = static_cast<std::uint8_t>(std::stoi(between(value, " decimals=", " ")));
      field.offset =
          static_cast<std::uint16_t>(std::stoi(value.substr(value.rfind("offset=") + 7)));
      dump.fields.push_back(field);
    } else if (key.rfind("record ", 0) == 0) {
      std::vector<std::string> parts;
      const std::string held = value.substr(1, value.rfind('|') - 1);
      std::size_t start = 0;
      while (true) {
        const std::size_t bar = held.find('|', start);
        parts.push_back(unescaped(held.substr(start, bar - start)));
        if (bar == std::string::npos) break;
        start = bar + 1;
      }
      dump.records[std::stoi(key.substr(7))] = parts;
    } else if (key == "file") {
      dump.file = value;
    } else if (key.rfind("records ", 0) != 0) {
      dump.header[key] = value.substr(0, value.find(' '));
    }
  }
  return dump;
}

std::string hex2(int value) {
  static const char* const kHex = "0123456789ABCDEF";
  return std::string("0x") + kHex[value >> 4] + kHex[value & 15];
}

}  // namespace

TEST(DbfTable, RealFilesAgreeWithTheirReferenceDumps) {
  const std::string folder = sharedDirectory() + "testdata/dbf-real/";
  if (!std::filesystem::is_directory(folder)) GTEST_SKIP() << "no real files at " << folder;
  // Their descriptors run past the record (a shifted header; a dBase 7 layout).
  const std::set<std::string> refused = {"shapefilejs-bad.dbf", "infused-dbase_8c.dbf"};
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name.size() < 9 || name.substr(name.size() - 9) != ".dump.txt") continue;
    const ReferenceDump dump = readDump(entry.path().string());
    const std::string path = folder + dump.file;
    ++files;
    if (refused.count(dump.file) != 0) {
      const ChildRun run = openAndRead(path);
      EXPECT_EQ(refusal(path.substr(0, kMaxFileName)), run.output) << dump.file;
      EXPECT_EQ(1, run.status) << dump.file;
      continue;
    }
    DbfTable table;
    ASSERT_FALSE(OpenDBF(table, path));
    const std::map<std::string, std::string> read = {
        {"version", hex2(static_cast<unsigned char>(readFileBytes(path)[0]))},
        {"lastUpdate", table.lastUpdate},
        {"recordCount", std::to_string(table.recordCount)},
        {"headerLength", std::to_string(table.headerLength)},
        {"recordLength", std::to_string(table.recordLength)},
        {"languageDriver", hex2(table.languageDriver)},
        {"hasMemo", table.hasMemo ? "yes" : "no"},
        {"fieldCount", std::to_string(table.fieldCount)}};
    for (const auto& [key, value] : read)
      EXPECT_EQ(dump.header.at(key), value) << dump.file << " " << key;
    ASSERT_EQ(dump.fields.size(), table.fieldCount) << dump.file;
    for (std::size_t i = 0; i < dump.fields.size(); ++i) {
      const DbfField& want = dump.fields[i];
      const DbfField& got = table.fields[i + 1];
      EXPECT_TRUE(want.name == got.name && want.type == got.type && want.length == got.length &&
                  want.decimals == got.decimals && want.offset == got.offset)
          << dump.file << " field " << i + 1 << " " << got.name;
    }
    for (int n = 1; n <= table.recordCount; ++n) {
      ASSERT_FALSE(readDBF(table, n));
      // A record the file does not hold, wholly or in part, reads as blanks.
      const auto held = dump.records.find(n);
      const std::vector<std::string> parts =
          held == dump.records.end() ? std::vector<std::string>() : held->second;
      const std::string mark = parts.empty() || parts[0].empty() ? " " : parts[0];
      EXPECT_EQ(mark, std::string(table.currentRecord, 1)) << dump.file << " record " << n;
      for (int f = 1; f <= table.fieldCount; ++f) {
        std::string want = static_cast<std::size_t>(f) < parts.size() ? parts[f] : "";
        want.resize(table.fields[f].length, ' ');
        EXPECT_EQ(want, fieldValue(table, f)) << dump.file << " record " << n << " field " << f;
      }
    }
    EXPECT_FALSE(CloseDBF(table));
  }
  EXPECT_GT(files, 0) << "no dump read from " << folder;
}
