#include "copies.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <regex>
#include <set>
#include <string>

#include "program_run.h"
#include "removal_registry.h"
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
    // As the program does: a failure ends it with its line.
    if (const Status failure = writeCopiesAndLinks(state, resultModel(state))) {
      std::exit(endWith(*failure));
    }
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

// The stem both copies share, from the names the child reported: "A" + the time + the address
// + "_" + 16 hex digits.
std::string stemOf(const ChildRun& run) {
  static const std::regex names("[\\s\\S]*\\|(A14030710_0_0_7_[0-9a-f]{16})\\.csv\\|\\1\\.tab");
  std::smatch match;
  EXPECT_TRUE(std::regex_match(run.output, match, names)) << run.output;
  return match.size() > 1 ? match[1].str() : "";
}

std::string csvCopyOf(const TabulationState& state) {
  const std::string path = tempPath("expected.csv");
  EXPECT_FALSE(writeCsvCopy(resultModel(state), path, ';'));
  return readFileBytes(path);
}

std::string tabCopyOf(const TabulationState& state) {
  const std::string path = tempPath("expected.tab");
  EXPECT_FALSE(writeSpreadsheetCopy(resultModel(state), path));
  return readFileBytes(path);
}

}  // namespace

TEST(Copies, LinksAndFooterWithoutStyleSheets) {
  const std::string site = siteWithCopyDirectory();
  TabulationState state = finished();
  const ChildRun run = copiesFrom(site, state);
  EXPECT_EQ(0, run.status);
  const std::string stem = stemOf(run);
  EXPECT_EQ(
      "<br><table width=60% align=center><tr align=center>\r\n"
      "<td><A HREF=/csv/" +
          stem +
          ".csv>Copia como .CSV</A>\r\n"
          "<td><A HREF=/csv/" +
          stem +
          ".tab>Copia para Durnix</A>\r\n"
          "</table>\r\n"
          "<p>Fonte: SIM</p>\r\n"
          "<p>Notas</p>\r\n"
          "|" +
          stem + ".csv|" + stem + ".tab",
      run.output);
  // Nothing but the two finished copies and the stamp of the sweep is left behind.
  EXPECT_EQ((std::set<std::string>{stem + ".csv", stem + ".tab", ".limpeza"}),
            filesIn(site + "/csv"));
  EXPECT_EQ(csvCopyOf(state), readFileBytes(site + "/csv/" + stem + ".csv"));
  EXPECT_EQ(tabCopyOf(state), readFileBytes(site + "/csv/" + stem + ".tab"));
}

TEST(Copies, LinksAndFooterWithStyleSheets) {
  const std::string site = siteWithCopyDirectory();
  TabulationState state = finished();
  state.styleSheetsOn = true;
  state.language = Language::english;
  const ChildRun run = copiesFrom(site, state);
  const std::string stem = stemOf(run);
  EXPECT_EQ(
      "<DIV CLASS=\"NIVEL2\">\r\n"
      "<table width=60% cellpadding=1 cellspacing=2 align=center border=0 "
      "class=\"escondido\">\r\n"
      "<tr CLASS=\"NIVEL2\">\r\n"
      "<td style=\"TEXT-ALIGN:CENTER\" ALIGN=\"CENTER\"><A HREF=/csv/" +
          stem +
          ".csv>Copy as "
          ".CSV</A>\r\n"
          "<td style=\"TEXT-ALIGN:CENTER\" ALIGN=\"CENTER\"><A HREF=/csv/" +
          stem +
          ".tab>Copy to "
          "Durnix</A>\r\n"
          "</table>\r\n"
          "<p>Fonte: SIM</p>\r\n"
          "<p>Notas</p>\r\n"
          "</DIV>\r\n"
          "|" +
          stem + ".csv|" + stem + ".tab",
      run.output);
}

TEST(Copies, NamesCarryARandomPartAfterTimeAndAddress) {
  const std::string site = siteWithCopyDirectory();
  TabulationState first = finished();
  TabulationState second = finished();
  second.valueCells[1][1] = 30;
  second.columnTotals[1] += 27;
  const std::string firstStem = stemOf(copiesFrom(site, first));
  const std::string secondStem = stemOf(copiesFrom(site, second));
  // The same second and address: only the random part tells the requests apart.
  EXPECT_NE(firstStem, secondStem);
  EXPECT_EQ(csvCopyOf(first), readFileBytes(site + "/csv/" + firstStem + ".csv"));
  EXPECT_EQ(csvCopyOf(second), readFileBytes(site + "/csv/" + secondStem + ".csv"));
  EXPECT_EQ(tabCopyOf(second), readFileBytes(site + "/csv/" + secondStem + ".tab"));
}

// SIGTERM at moments spread over the writing of the copies, by processor time: whatever the
// moment, the copy directory holds both finished copies or neither, never a temporary file or
// an empty claimed name.
TEST(Copies, SignalWhileCopiesAreWrittenLeavesBothOrNeither) {
  ResultTable table;
  table.columnChoice = "Coluna";
  for (int c = 1; c <= 30; ++c) table.columnLabels.push_back("C" + std::to_string(c));
  for (int r = 1; r <= 300; ++r) table.rowLabels.push_back("Linha " + std::to_string(r));
  table.cells.assign(300, std::vector<double>(30, 1234.5));
  TabulationState state = resultState(table);
  state.periodCodes = {"96"};
  const std::string csv = csvCopyOf(state), tab = tabCopyOf(state);
  int interrupted = 0;
  for (long step = 0; step < 40; ++step) {
    const std::string site = tempPath("site" + std::to_string(step));
    std::filesystem::create_directories(site + "/csv");
    const ChildRun run = runInChild([&] {
      if (::chdir(site.c_str()) != 0) return;
      ::setenv("REMOTE_ADDR", "10.0.0.7", 1);
      installRemovalOnSignals();
      sigevent event{};
      event.sigev_notify = SIGEV_SIGNAL;
      event.sigev_signo = SIGTERM;
      timer_t timer{};
      itimerspec when{};
      when.it_value.tv_nsec = 1 + step * 400000;
      if (timer_create(CLOCK_PROCESS_CPUTIME_ID, &event, &timer) != 0 ||
          timer_settime(timer, 0, &when, nullptr) != 0) {
        std::abort();
      }
      if (const Status failure = writeCopiesAndLinks(state, resultModel(state))) {
        std::exit(endWith(*failure));
      }
    });
    std::set<std::string> names = filesIn(site + "/csv");
    names.erase(".limpeza");
    if (names.empty()) {
      EXPECT_EQ(128 + SIGTERM, run.status) << "step " << step;
      ++interrupted;
      continue;
    }
    ASSERT_EQ(2u, names.size()) << "step " << step << ": " << *names.begin();
    const std::string stem = names.begin()->substr(0, names.begin()->size() - 4);
    EXPECT_EQ(csv, readFileBytes(site + "/csv/" + stem + ".csv")) << "step " << step;
    EXPECT_EQ(tab, readFileBytes(site + "/csv/" + stem + ".tab")) << "step " << step;
  }
  EXPECT_GT(interrupted, 0);
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
