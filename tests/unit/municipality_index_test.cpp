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

}  // namespace

TEST(MunicipalityIndex, IndexStoredUnderAnotherCaseIsReplacedOrRemoved) {
  const struct {
    const char* what;
    std::vector<TestRow> rows;
    std::vector<std::string> left;
    std::string index;
  } cases[] = {
      {"in order",
       {"110001", "110002"},
       {"DO96.dbf", "do96.ixm"},
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
    EXPECT_EQ(c.left, fileNamesIn(tempPath("site"))) << c.what;
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
  EXPECT_EQ(
      "OpenDBF:DO95.dbf cabe\xE7"
      "alho inv\xE1lido!\r\n",
      run.output);
  EXPECT_EQ(1, run.status);
  EXPECT_FALSE(std::filesystem::exists(tempPath("DO96.IXM")));
}

TEST(MunicipalityIndex, HeaderClaimingMillionsOfRecordsIsSettledByTheFirstBlankOne) {
  const struct {
    const char* what;
    std::vector<TestRow> rows;
    std::string output, index;
  } cases[] = {
      {"blank after codes: out of order",
       {"110001", "110002"},
       "***** Municipio fora da ordem!\r\n   1 DO96.dbf:99999999 arquivo indice removido!\r\n",
       ""},
      {"nothing but blanks",
       {},
       "   1 DO96.dbf:99999999\r\n",
       "CODMUNRES\r\n             199999999\r\n"},
  };
  for (const auto& c : cases) {
    std::filesystem::remove_all(tempPath("site"));
    std::filesystem::create_directories(tempPath("site"));
    TestDbf dbf{{{"CODMUNRES", 'C', 6}}, c.rows};
    dbf.recordCount = 99999999;
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

// Record numbers past eight digits would run into the next column and the tabulator would read
// the wrong records: such a file gets no index, its old one goes, and it is read whole.
TEST(MunicipalityIndex, RecordCountTheColumnsCannotHoldGetsNoIndex) {
  const struct {
    std::int32_t count;
    std::string output;
  } cases[] = {
      {100000000,
       "***** Registros demais para o indice!\r\n   1 DO96.dbf:100000000 arquivo indice "
       "removido!\r\n"},
      {2147483647,
       "***** Registros demais para o indice!\r\n   1 DO96.dbf:2147483647 arquivo indice "
       "removido!\r\n"},
      {-1, "***** Numero de registros invalido!\r\n   1 DO96.dbf:-1 arquivo indice removido!\r\n"},
  };
  for (const auto& c : cases) {
    std::filesystem::remove_all(tempPath("site"));
    std::filesystem::create_directories(tempPath("site"));
    TestDbf dbf{{{"CODMUNRES", 'C', 6}}, {"110001"}};
    dbf.recordCount = c.count;
    dbf.writeTo(tempPath("site/DO96.dbf"));
    writeFileBytes(tempPath("site/do96.ixm"), "CODMUNRES\r\n110001       1       1\r\n");
    const ProgramRun run = runSeriakIn(tempPath("site"), "*");
    EXPECT_EQ(c.output, run.output) << c.count;
    EXPECT_EQ(0, run.status) << c.count;
    EXPECT_EQ(std::vector<std::string>{"DO96.dbf"}, fileNamesIn(tempPath("site"))) << c.count;
  }
}

// The temporary index has a name nobody can foresee, and a link planted where a foreseeable one
// would be is never followed.
TEST(MunicipalityIndex, TemporaryIndexFollowsNoPlantedLink) {
  const std::string site = tempPath("site");
  std::filesystem::create_directories(site);
  TestDbf{{{"CODMUNRES", 'C', 6}}, {"110001"}}.writeTo(site + "/DO96.dbf");
  writeFileBytes(tempPath("victim"), "kept");
  for (const char* name : {"DO96.IXM.tmp", "DO96.IXM.1.tmp", "DO96.IXM.0000000000000000.tmp"}) {
    std::filesystem::create_symlink(tempPath("victim"), site + "/" + std::string(name));
  }
  const ProgramRun run = runSeriakIn(site, "*");
  EXPECT_EQ("   1 DO96.dbf:1\r\n", run.output);
  EXPECT_EQ("kept", readFileBytes(tempPath("victim")));
  EXPECT_EQ("CODMUNRES\r\n110001       1       1\r\n", readFileBytes(site + "/DO96.IXM"));
  EXPECT_EQ((std::vector<std::string>{"DO96.IXM", "DO96.IXM.0000000000000000.tmp", "DO96.IXM.1.tmp",
                                      "DO96.IXM.tmp", "DO96.dbf"}),
            fileNamesIn(site));
}
