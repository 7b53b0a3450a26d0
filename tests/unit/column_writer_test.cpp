// `seriak -C`, run as the operator runs it: one console line per data file, the column file
// beside it (replacing one stored under another case), nothing left under a temporary name, and
// a column file that is still current left alone.
#include "column_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "program_run.h"
#include "test_dbf.h"
#include "test_paths.h"

namespace fs = std::filesystem;

namespace {

ProgramRun seriak(const std::vector<std::string>& arguments) {
  return runProgram(programPath("seriak"), arguments, {}, "", tempPath("site"));
}

}  // namespace

TEST(ColumnWriter, WritesBesideEachDataFileAndSkipsCurrentOnes) {
  fs::create_directories(tempPath("site/dados"));
  TestDbf{{{"MUNRES", 'C', 6}, {"SEXO", 'C', 1}}, {{"110001", "1"}, {"110002", "2"}}}.writeTo(
      tempPath("site/dados/DO96.dbf"));
  TestDbf{{{"MUNRES", 'C', 6}}, {}}.writeTo(tempPath("site/dados/do97.DBF"));
  writeFileBytes(tempPath("site/dados/do97.col"), "old");

  const ProgramRun first = seriak({"-C", "dados/DO*"});
  EXPECT_EQ(0, first.status);
  // 64 header bytes and 48 per field, then each raw section and its 8 to 15 zero bytes: two
  // codes of 6 bytes (12 + 12) and two sexes (2 + 14); no records: only the slack.
  EXPECT_EQ(
      "   1 dados/DO96.dbf:2 colunas: 200 bytes\r\n"
      "   2 dados/do97.DBF:0 colunas: 120 bytes\r\n",
      first.output);
  EXPECT_EQ((std::vector<std::string>{"DO96.COL", "DO96.dbf", "do97.DBF", "do97.col"}),
            fileNamesIn(tempPath("site/dados")));

  const ProgramRun again = seriak({"-C", "dados/DO*"});
  EXPECT_EQ(
      "   1 dados/DO96.dbf:2 colunas em dia\r\n"
      "   2 dados/do97.DBF:0 colunas em dia\r\n",
      again.output);

  // A data file written again gets its column file written again.
  TestDbf{{{"MUNRES", 'C', 6}, {"SEXO", 'C', 1}}, {{"110001", "1"}}}.writeTo(
      tempPath("site/dados/DO96.dbf"));
  EXPECT_EQ(
      "   1 dados/DO96.dbf:1 colunas: 192 bytes\r\n"
      "   2 dados/do97.DBF:0 colunas em dia\r\n",
      seriak({"-C", "dados/DO*"}).output);
}

TEST(ColumnWriter, CommandLineWithoutAPatternGetsTheClassicSyntaxLine) {
  fs::create_directories(tempPath("site"));
  const ProgramRun run = seriak({"-C"});
  EXPECT_EQ("Sintaxe: Seriak <CAMPO_MUN> <SPEC_ARQUIVOS>\r\n", run.output);
  EXPECT_EQ(0, run.status);
  EXPECT_EQ("Arquivo n\xE3o encontrado!\r\n", seriak({"-C", "nada*"}).output);
}
