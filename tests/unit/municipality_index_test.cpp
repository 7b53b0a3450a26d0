// The index builder's file handling, run through the built program: where the index goes,
// what happens to an index stored under another case, and paths longer than the stored name.
#include "municipality_index.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "program_run.h"
#include "test_dbf.h"
#include "test_paths.h"

namespace {

ProgramRun runSeriakIn(const std::string& folder, const std::string& pattern) {
  return runProgram(programPath("seriak"), {"CODMUNRES", pattern}, {}, "", folder);
}

std::vector<std::string> namesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

TEST(MunicipalityIndex, IndexStoredUnderAnotherCaseIsReplacedOrRemoved) {
  const struct { const char* what; std::vector<TestRow> rows; std::vector<std::string> left; std::string index; } cases[] = {
      {"in order", {"110001", "110002"}, {"DO96.dbf", "do96.ixm"},
       "CODMUNRES\r\n110001       1       1\r\n110002       2       2\r\n"},
      {"out of order", {"110002", "110001"}, {"DO96.dbf"}, ""},
  };
  for (const auto& c : cases) {
    std::filesystem::remove_all(tempPath("site"));
    std::filesystem::create_directories(tempPath("site"));
    TestDbf{{{"CODMUNRES", 'C', 6}}, c.rows}.writeTo(tempPath("site/DO96.dbf"));
    writeFileBytes(tempPath("site/do96.ixm"), "old\r\n");
    const ProgramRun run = runSeriakIn(tempPath("site"), "*");
    EXPECT_EQ(0, run.status) << c.what;
    // No temporary file is left beside the data either way.
    EXPECT_EQ(c.left, namesIn(tempPath("site"))) << c.what;
    if (!c.index.empty()) {
      EXPECT_EQ(c.index, readFileBytes(tempPath("site/do96.ixm"))) << c.what;
    }
  }
}

TEST(MunicipalityIndex, PathLongerThanTheStoredNameIsIndexed) {
  std::string folder = tempDirectory();
  while (folder.size() < 100) folder += "arquivos-de-dados/";
  std::filesystem::create_directories(folder);
  TestDbf{{{"CODMUNRES", 'C', 6}}, {"110001"}}.writeTo(folder + "DO96.DBF");
  const ProgramRun run = runSeriakIn(tempDirectory(), folder + "DO*");
  EXPECT_EQ("   1 " + folder + "DO96.DBF:1\r\n", run.output);
  EXPECT_EQ("CODMUNRES\r\n110001       1       1\r\n", readFileBytes(folder + "DO96.IXM"));
}

TEST(MunicipalityIndex, UnreadableDataFileStopsWithTheReaderLine) {
  TestDbf bad{{{"CODMUNRES", 'C', 6}}, {"110001"}};
  bad.recordLength = 0;
  bad.writeTo(tempPath("DO95.dbf"));
  TestDbf{{{"CODMUNRES", 'C', 6}}, {"110001"}}.writeTo(tempPath("DO96.dbf"));
  const ProgramRun run = runSeriakIn(tempDirectory(), "DO*");
  EXPECT_EQ("OpenDBF:DO95.dbf cabe\xE7" "alho inv\xE1lido!\r\n", run.output);
  EXPECT_EQ(1, run.status);
  EXPECT_FALSE(std::filesystem::exists(tempPath("DO96.IXM")));
}

TEST(MunicipalityIndex, HeaderClaimingBillionsOfRecordsIsSettledByTheFirstBlankOne) {
  const struct {
    const char* what;
    std::vector<TestRow> rows;
    std::string output, index;
  } cases[] = {
      {"blank after codes: out of order",
       {"110001", "110002"},
       "***** Municipio fora da ordem!\r\n   1 DO96.dbf:2147483647 arquivo indice removido!\r\n",
       ""},
      {"nothing but blanks",
       {},
       "   1 DO96.dbf:2147483647\r\n",
       "CODMUNRES\r\n             1"
       "2147483647\r\n"},
  };
  for (const auto& c : cases) {
    std::filesystem::remove_all(tempPath("site"));
    std::filesystem::create_directories(tempPath("site"));
    TestDbf dbf{{{"CODMUNRES", 'C', 6}}, c.rows};
    dbf.recordCount = 2147483647;
    dbf.endMark = false;
    dbf.writeTo(tempPath("site/DO96.dbf"));
    const ProgramRun run = runSeriakIn(tempPath("site"), "*");
    EXPECT_EQ(c.output, run.output) << c.what;
    EXPECT_EQ(0, run.status) << c.what;
    if (!c.index.empty()) {
      EXPECT_EQ(c.index, readFileBytes(tempPath("site/DO96.IXM"))) << c.what;
    }
  }
}
