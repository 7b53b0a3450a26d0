#include "copies.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

#include "program_run.h"
#include "result_state.h"
#include "tab_export.h"
#include "test_paths.h"
#include "text_output.h"

namespace {

TabulationState finished() {
  ResultTable table;
  table.rowLabels = {"Acre", "Amapa"};
  table.columnChoice = "Sexo";
  table.columnLabels = {"Masc", "Fem"};
  table.cells = {{3, 4}, {5, 0}};
  TabulationState state = resultState(table);
  state.periodCodes = {"96"};
  state.footerLines = {"<p>Fonte: SIM</p>", "<p>Notas</p>"};
  return state;
}

// A site directory with a "csv" directory, for a request at 14:03:07 from 10.0.0.7.
std::string siteWithCopyDirectory() {
  const std::string site = tempPath("site");
  std::filesystem::create_directories(site + "/csv");
  return site;
}

ChildRun copiesFrom(const std::string& site, TabulationState& state) {
  return runInChild([&] {
    if (::chdir(site.c_str()) != 0) return;
    ::setenv("VORLEX_FIXED_TIME", "2026-12-10 14:03:07.250", 1);
    ::setenv("REMOTE_ADDR", "10.0.0.7", 1);
    writeCopiesAndLinks(state, resultModel(state));
    // The names the child chose, for the parent to read.
    writeText(stdout, "|" + state.csvFileName + "|" + state.tabFileName);
  });
}

std::set<std::string> filesIn(const std::string& directory) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(directory)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

std::string csvCopyOf(const TabulationState& state) {
  const std::string path = tempPath("expected.csv");
  EXPECT_TRUE(writeCsvCopy(resultModel(state), path, ';'));
  return readFileBytes(path);
}

std::string tabCopyOf(const TabulationState& state) {
  const std::string path = tempPath("expected.tab");
  EXPECT_TRUE(writeSpreadsheetCopy(resultModel(state), path));
  return readFileBytes(path);
}

}  // namespace

TEST(Copies, LinksAndFooterWithoutStyleSheets) {
  const std::string site = siteWithCopyDirectory();
  TabulationState state = finished();
  const ChildRun run = copiesFrom(site, state);
  EXPECT_EQ(0, run.status);
  EXPECT_EQ(
      "<br><table width=60% align=center><tr align=center>\r\n"
      "<td><A HREF=/csv/A14030710_0_0_7.csv>Copia como .CSV</A>\r\n"
      "<td><A HREF=/csv/A14030710_0_0_7.tab>Copia para Durnix</A>\r\n"
      "</table>\r\n"
      "<p>Fonte: SIM</p>\r\n"
      "<p>Notas</p>\r\n"
      "|A14030710_0_0_7.csv|A14030710_0_0_7.tab",
      run.output);
  // Nothing but the two finished copies is left behind.
  EXPECT_EQ((std::set<std::string>{"A14030710_0_0_7.csv", "A14030710_0_0_7.tab"}),
            filesIn(site + "/csv"));
  EXPECT_EQ(csvCopyOf(state), readFileBytes(site + "/csv/A14030710_0_0_7.csv"));
  EXPECT_EQ(tabCopyOf(state), readFileBytes(site + "/csv/A14030710_0_0_7.tab"));
}

TEST(Copies, LinksAndFooterWithStyleSheets) {
  const std::string site = siteWithCopyDirectory();
  TabulationState state = finished();
  state.styleSheetsOn = true;
  state.language = Language::english;
  const ChildRun run = copiesFrom(site, state);
  EXPECT_EQ(
      "<DIV CLASS=\"NIVEL2\">\r\n"
      "<table width=60% cellpadding=1 cellspacing=2 align=center border=0 "
      "class=\"escondido\">\r\n"
      "<tr CLASS=\"NIVEL2\">\r\n"
      "<td style=\"TEXT-ALIGN:CENTER\" ALIGN=\"CENTER\"><A HREF=/csv/A14030710_0_0_7.csv>Copy as "
      ".CSV</A>\r\n"
      "<td style=\"TEXT-ALIGN:CENTER\" ALIGN=\"CENTER\"><A HREF=/csv/A14030710_0_0_7.tab>Copy to "
      "Durnix</A>\r\n"
      "</table>\r\n"
      "<p>Fonte: SIM</p>\r\n"
      "<p>Notas</p>\r\n"
      "</DIV>\r\n"
      "|A14030710_0_0_7.csv|A14030710_0_0_7.tab",
      run.output);
}

TEST(Copies, SameSecondAndAddressNeverReplacesAnotherCopy) {
  const std::string site = siteWithCopyDirectory();
  TabulationState first = finished();
  TabulationState second = finished();
  second.valueCells[1][1] = 30;
  second.columnTotals[1] += 27;
  EXPECT_EQ(0, copiesFrom(site, first).status);
  const ChildRun run = copiesFrom(site, second);
  EXPECT_NE(std::string::npos, run.output.find("<A HREF=/csv/A14030710_0_0_7_2.csv>"));
  EXPECT_NE(std::string::npos, run.output.find("<A HREF=/csv/A14030710_0_0_7_2.tab>"));
  EXPECT_EQ(csvCopyOf(first), readFileBytes(site + "/csv/A14030710_0_0_7.csv"));
  EXPECT_EQ(csvCopyOf(second), readFileBytes(site + "/csv/A14030710_0_0_7_2.csv"));
  EXPECT_EQ(tabCopyOf(second), readFileBytes(site + "/csv/A14030710_0_0_7_2.tab"));

  // A name taken by either copy moves both to the next free pair.
  writeFileBytes(site + "/csv/A14030710_0_0_7_3.tab", "another request's copy");
  TabulationState third = finished();
  const ChildRun later = copiesFrom(site, third);
  EXPECT_NE(std::string::npos, later.output.find("|A14030710_0_0_7_4.csv|A14030710_0_0_7_4.tab"));
  EXPECT_EQ("another request's copy", readFileBytes(site + "/csv/A14030710_0_0_7_3.tab"));
  EXPECT_EQ(0u, filesIn(site + "/csv").count("A14030710_0_0_7_3.csv"));
}

TEST(Copies, WithoutCopyDirectoryOnlyTheFooter) {
  const std::string site = tempPath("site");
  std::filesystem::create_directories(site);
  TabulationState state = finished();
  EXPECT_EQ("<p>Fonte: SIM</p>\r\n<p>Notas</p>\r\n||", copiesFrom(site, state).output);
  EXPECT_TRUE(filesIn(site).empty());
}

TEST(Copies, SuppressedCopiesWriteNothing) {
  const std::string site = siteWithCopyDirectory();
  TabulationState state = finished();
  state.suppressCopies = true;
  EXPECT_EQ("||", copiesFrom(site, state).output);
  EXPECT_TRUE(filesIn(site + "/csv").empty());
  EXPECT_EQ("", runInChild([&] { writeTableBlock(state); }).output);
}

TEST(Copies, CopyDirectoryThatCannotBeWrittenEndsThePage) {
  // Not even the superuser may create files under /proc, unlike a directory without write
  // permission.
  const std::string site = tempPath("site");
  std::filesystem::create_directories(site);
  std::filesystem::create_directory_symlink("/proc/self", site + "/csv");
  TabulationState state = finished();
  const ChildRun run = copiesFrom(site, state);
  EXPECT_EQ(1, run.status);
  EXPECT_EQ("<h4>Sem permiss\xE3o para gravar no diret\xF3rio CSV!!!</h4>\r\n", run.output);
}

TEST(Copies, TableBlockFromPostedFields) {
  TabulationState state = finished();
  state.title = "  Nascidos vivos ";
  state.definitionName = "dn<br>.def";
  state.query =
      "Linha=UF_Resid&Coluna=Sexo&Incremento=Nascimentos&Arquivos=DNRS2000.DBF&"
      "SFaixa_etaria=TODAS_AS_CATEGORIAS__&Arquivos=DNRS2001.DBF&formato=table&"
      "Nota=--><script>x</script>&zeradas=exibirlz&mostre=Mostra";
  const ChildRun run = runInChild([&] { writeTableBlock(state); });
  EXPECT_EQ(
      "<!--\r\n"
      "<TABELA>\r\n"
      "Planilha=\r\n"
      "Titulo=Nascidos vivos\r\n"
      "Def=dn&lt;br&gt;.def\r\n"
      "Varmunic=\r\n"
      "Linha=UF_Resid\r\n"
      "Coluna=Sexo\r\n"
      "Incremento=Nascimentos\r\n"
      "Nota=--&gt;&lt;script&gt;x&lt;/script&gt;\r\n"
      "zeradas=exibirlz\r\n"
      "Periodo=2000,2001\r\n"
      "</TABELA>\r\n"
      "-->\r\n",
      run.output);
}

TEST(Copies, TableBlockIgnoresTheTextAfterTheLastAmpersand) {
  TabulationState state = finished();
  state.query = "Linha=UF&Arquivos=DNRS2000.DBF";
  EXPECT_NE(std::string::npos,
            runInChild([&] { writeTableBlock(state); }).output.find("Linha=UF\r\nPeriodo=\r\n"));
}
