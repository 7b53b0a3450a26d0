// The form generator's own reading of a definition, its labels and period texts, the include
// code, and the page parts that depend on the files it finds.
#include "form_page.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "output.h"
#include "program_run.h"
#include "test_paths.h"
#include "text_helpers.h"

namespace {

// The languages by their short names, for the tables of cases.
constexpr Language pt = Language::portuguese, es = Language::spanish, en = Language::english;

// Runs the page writer in `directory` and returns what it wrote.
std::string pageOf(const SelectionForm& form, const std::string& directory) {
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(directory);
  testing::internal::CaptureStdout();
  // As formwright does: a failure ends the page with its line.
  if (const Status failure = writeSelectionForm(form)) endWith(*failure);
  std::fflush(stdout);
  std::string page = testing::internal::GetCapturedStdout();
  std::filesystem::current_path(previous);
  return page;
}

SelectionForm formFrom(const std::string& definition) {
  const std::string path = tempPath("t.def");
  writeFileBytes(path, definition);
  SelectionForm form;
  const Status failure = readSelectionForm(form, path);
  EXPECT_FALSE(failure) << failure->text;
  return form;
}

// A data line of a conversion file: the category in columns 4-7, the label from 10, the codes
// from 61.
std::string cnvLine(int category, const std::string& label, const std::string& codes) {
  char line[128];
  std::snprintf(line, sizeof line, "   %4d  %-50s %s\r\n", category, label.c_str(), codes.c_str());
  return line;
}

std::size_t occurrences(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

class FormPage : public testing::Test {};

}  // namespace

TEST(FormPeriods, LabelFromTheDigitsOfTheName) {
  const struct {
    const char* name;
    Language language;
    const char* label;
  } cases[] = {
      {"DADOS98.DBF", pt, "1998"},
      {"dados03.dbf", pt, "2003"},
      {"DO0311.DBF", pt, "Nov/2003"},
      {"DO0312.DBF", es, "Dic/2003"},
      {"DO0312.DBF", en, "Dec/2003"},
      {"DO9602.DBF", pt, "Fev/1996"},
      // The form widens from "4" on, vorlexcgi from "5" on.
      {"X45.DBF", pt, "1945"},
      {"X39.DBF", pt, "2039"},
      // No such month: the digits as written.
      {"DO0313.DBF", pt, "13/2003"},
      {"DO0300.DBF", en, "00/2003"},
      {"DO031.DBF", pt, "1/2003"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.label, periodLabel(c.name, c.language)) << c.name;
  }
}

TEST(FormPeriods, SortKeyPutsTheCenturyInFront) {
  EXPECT_EQ("1998dados98.dbf", periodSortKey("DADOS98.DBF"));
  EXPECT_EQ("2003do0311.dbf", periodSortKey("DO0311.dbf"));
  EXPECT_EQ("1945x45.dbf", periodSortKey("X45.DBF"));
  EXPECT_LT(periodSortKey("d98.dbf"), periodSortKey("d99.dbf"));
  EXPECT_LT(periodSortKey("d99.dbf"), periodSortKey("d03.dbf"));
  // A name with too few digits still gets four year characters before it.
  EXPECT_EQ("2000readme.dbf", periodSortKey("README.DBF"));
  EXPECT_EQ("1970x7.dbf", periodSortKey("x7.dbf"));
}

TEST(FormInclude, CodeIsTheTwoCharactersBeforeTheExtension) {
  const struct {
    const char* name;
    const char* code;
  } cases[] = {
      {"obitos01.def", "01"}, {"sim/dobr12.DEF", "12"},
      {"ab.def", "ab"},       {"b.def", "b"},
      {".def", ""},           {"x", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(c.code, formIncludeCode(c.name)) << c.name;
}

TEST(FormInclude, DollarPairsReplacedLeftToRight) {
  const struct {
    const char* line;
    const char* result;
  } cases[] = {
      {"<a href=\"x$$.htm\">", "<a href=\"x07.htm\">"},
      {"$$$", "07$"},
      {"$$$$", "0707"},
      {"$ 5 $", "$ 5 $"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(c.result, withIncludeCode(c.line, "07")) << c.line;
}

TEST_F(FormPage, ReadsEveryListLineOfTheDefinition) {
  const SelectionForm form = formFrom(
      ";Nascidos vivos\r\n"
      "  LMunic\xEDpio de resid\xEAncia, CODMUNRES, 1, cnv\\munic.cnv  \r\n"
      "DSexo,SEXO,SEXO.CNV\r\n"
      "T Ano,ANO,ANO.CNV\r\n"
      "CRa\xE7"
      "a,RACA,RACA.CNV\r\n"
      "lIgnorada,X,X.CNV\r\n"
      "INascimentos,#\r\n"
      "EPopula\xE7\xE3o,POP,ANO\r\n"
      "%Perc,#,SEXO\r\n"
      "iIgnorada,#\r\n"
      "SFaixa et\xE1ria,IDADE,1,idade.cnv\r\n"
      "H<p>cabe\xE7"
      "alho a/b, c/d</p>\r\n"
      " H<p>x, a/b</p>\r\n"
      "R nota\r\n"
      "F<hr>\r\n"
      "A dados\\DN*.DBF\r\n"
      "A C:\\Dados\\DNR*.DBF\r\n");
  EXPECT_EQ("Nascidos vivos", form.title);
  // A space after the letter is part of the name, posted as "_" like every other.
  const std::vector<std::string> rows = {"Munic\xEDpio_de_resid\xEAncia", "Sexo", "_Ano"};
  EXPECT_EQ(rows, form.rowList);
  const std::vector<std::string> columns = {"_Ano",
                                            "Ra\xE7"
                                            "a"};
  EXPECT_EQ(columns, form.columnList);
  const std::vector<std::string> measures = {"Nascimentos", "Popula\xE7\xE3o", "Perc"};
  EXPECT_EQ(measures, form.measureList);
  ASSERT_EQ(1u, form.selectionList.size());
  EXPECT_EQ(normalizeDimensionLine("SFaixa_et\xE1ria,IDADE,1,idade.cnv"), form.selectionList[0]);
  // A lines keep their spaces; their slashes turn into the host's.
  EXPECT_EQ(" C:/Dados/DNR*.DBF", form.dataFileSpec);
  // H lines in column 1 keep their text; one after a blank is trimmed, then also exempt.
  const std::vector<std::string> headers = {
      "<p>cabe\xE7"
      "alho a/b, c/d</p>",
      "<p>x, a/b</p>"};
  EXPECT_EQ(headers, form.headerLines);
  EXPECT_EQ(std::vector<std::string>{" nota"}, form.footnoteLines);
  EXPECT_EQ(std::vector<std::string>{"<hr>"}, form.footerLines);
}

TEST_F(FormPage, FirstLineIsNeverAnEntry) {
  const SelectionForm form = formFrom("LSexo,SEXO,SEXO.CNV\nLAno,ANO,ANO.CNV\n");
  EXPECT_EQ("", form.title);
  EXPECT_EQ(std::vector<std::string>{"Ano"}, form.rowList);
}

TEST_F(FormPage, NameWithoutCommaIsEmpty) {
  const SelectionForm form = formFrom(";t\nL Sexo\n");
  EXPECT_EQ(std::vector<std::string>{""}, form.rowList);
}

TEST_F(FormPage, OptionsComparedInUpperCaseLaterWins) {
  const struct {
    const char* lines;
    Language language;
    bool includeOn;
    const char* includeFile;
    bool styleSheetsOn;
    const char* styleSheet;
    const char* printStyleSheet;
  } cases[] = {
      {"", pt, true, "INCLUDE.HTM", false, "", ""},
      {"OL=ESP\nOl=eng\n", en, true, "INCLUDE.HTM", false, "", ""},
      {"OL=ENGLISH\nOZEROHIFEN\n", en, true, "INCLUDE.HTM", false, "", ""},
      {"Oinclude=nao\n", pt, false, "INCLUDE.HTM", false, "", ""},
      {"OINCLUDE=  rodape.htm  \n", pt, true, "rodape.htm", false, "", ""},
      {"OINCLUDE=NAO\nOINCLUDE=a.htm\n", pt, false, "a.htm", false, "", ""},
      {"OCSS=/css/a.css\nOcssp=/css/p.css\n", pt, true, "INCLUDE.HTM", true, "/css/a.css",
       "/css/p.css"},
      {"OCSS=a.css\nOCSS=b.css\n", pt, true, "INCLUDE.HTM", true, "b.css", ""},
      // Lower-case letters are no entries for the form.
      {"oL=ENG\n", pt, true, "INCLUDE.HTM", false, "", ""},
  };
  for (const auto& c : cases) {
    const SelectionForm form = formFrom(std::string(";t\n") + c.lines);
    EXPECT_EQ(c.language, form.language) << c.lines;
    EXPECT_EQ(c.includeOn, form.includeOn) << c.lines;
    EXPECT_EQ(c.includeFile, form.includeFile) << c.lines;
    EXPECT_EQ(c.styleSheetsOn, form.styleSheetsOn) << c.lines;
    EXPECT_EQ(c.styleSheet, form.styleSheet) << c.lines;
    EXPECT_EQ(c.printStyleSheet, form.printStyleSheet) << c.lines;
  }
}

TEST_F(FormPage, ListsStopAtTheirRoom) {
  std::string definition = ";t\n";
  for (int i = 1; i <= 310; ++i) {
    const std::string n = std::to_string(i);
    definition += "LR" + n + ",F,F.CNV\nSS" + n + ",F,F.CNV\nIM" + n + ",#\n";
    if (i <= 105) definition += "H h" + n + "\nR r" + n + "\nF f" + n + "\n";
  }
  const SelectionForm form = formFrom(definition);
  EXPECT_EQ(300u, form.rowList.size());
  EXPECT_EQ("R300", form.rowList.back());
  EXPECT_EQ(300u, form.selectionList.size());
  EXPECT_EQ(300u, form.measureList.size());
  EXPECT_EQ(100u, form.headerLines.size());
  EXPECT_EQ(100u, form.footnoteLines.size());
  EXPECT_EQ(100u, form.footerLines.size());
}

TEST_F(FormPage, DefinitionNameFromArgumentOrQuery) {
  char program[] = "formwright";
  char argument[] = "sinasc.def";
  char* withArgument[] = {program, argument};
  char* without[] = {program};
  ::setenv("QUERY_STRING", "sim.def", 1);
  EXPECT_EQ("sinasc.def", formDefinitionName(2, withArgument));
  EXPECT_EQ("sim.def", formDefinitionName(1, without));
  ::setenv("QUERY_STRING", "Linha=Sexo", 1);
  EXPECT_EQ("", formDefinitionName(1, without));
  ::unsetenv("QUERY_STRING");
  EXPECT_EQ("", formDefinitionName(1, without));
}

TEST_F(FormPage, DefinitionPathStaysInTheSite) {
  EXPECT_EQ("dados/sim.def", formDefinitionPath("dados\\sim.htm"));
  EXPECT_EQ("sim.def", formDefinitionPath("sim"));
  std::filesystem::create_directories(tempPath("Dados"));
  writeFileBytes(tempPath("Dados/SIM.DEF"), ";t\n");
  const std::string directory = tempDirectory();
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(directory);
  EXPECT_EQ("Dados/SIM.DEF", existingDefinition("dados/sim.def"));
  EXPECT_EQ("", existingDefinition("x/../Dados/SIM.DEF"));
  EXPECT_EQ("", existingDefinition("nada.def"));
  std::filesystem::current_path(previous);
  EXPECT_EQ("", existingDefinition(directory + "Dados/SIM.DEF"));  // absolute
}

TEST_F(FormPage, PeriodsLatestFirstAndChosen) {
  const std::string directory = tempDirectory();
  std::filesystem::create_directories(directory + "dados");
  for (const char* name : {"DN98.DBF", "dn03.dbf", "DN99.DBF", "DN04.txt"}) {
    writeFileBytes(directory + "dados/" + name, "");
  }
  std::filesystem::create_directories(directory + "dados/DN97.DBF");  // a directory: no period
  SelectionForm form;
  form.dataFileSpec = "Dados/dn*.dbf";
  const std::string page = pageOf(form, directory);
  EXPECT_NE(std::string::npos, page.find("<SELECT NAME=\"Arquivos\" ID=\"A\" SIZE=4 MULTIPLE>\r\n"
                                         "<OPTION VALUE=\"dn03.dbf\" SELECTED >2003\r\n"
                                         "<OPTION VALUE=\"dn99.dbf\">1999\r\n"
                                         "<OPTION VALUE=\"dn98.dbf\">1998\r\n"
                                         "</SELECT></TABLE><P>\r\n"))
      << page;
}

TEST_F(FormPage, AtMostAThousandPeriods) {
  const std::string directory = tempDirectory();
  for (int i = 0; i < 1005; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "d%02d%04d.dbf", i % 100, i);
    writeFileBytes(directory + name, "");
  }
  SelectionForm form;
  form.dataFileSpec = "d*.dbf";
  const std::string page = pageOf(form, directory);
  EXPECT_EQ(1000u, occurrences(page, "<OPTION VALUE=\"d"));
  EXPECT_EQ(1u, occurrences(page, "SELECTED >"));
}

TEST_F(FormPage, NoDataFileEndsAfterTheFormTag) {
  SelectionForm form;
  form.title = "T\xEDtulo";
  form.definitionName = "a\"b<c>.def";
  form.scriptDirectory = "/cgi-bin/";
  form.dataFileSpec = "nada/*.dbf";
  form.rowList = {"Sexo"};
  const std::string page = pageOf(form, tempDirectory());
  const std::string end =
      "<CENTER>\r\n"
      "<H2>T&iacute;tulo</H2>\r\n"
      "<FORM ACTION=\"/cgi-bin/vorlexcgi.exe?a&quot;b&lt;c&gt;.def\" METHOD=POST>\r\n"
      "<H2> Nenhum dado dispon&iacute;vel <H1>\r\n";
  ASSERT_GE(page.size(), end.size());
  EXPECT_EQ(end, page.substr(page.size() - end.size())) << page;
}

TEST_F(FormPage, BrokenSelectionListsOnlyAllAndTheNextStillLoads) {
  const std::string directory = tempDirectory();
  writeFileBytes(directory + "d03.dbf", "");
  writeFileBytes(directory + "sexo.cnv",
                 "2 1\r\n" + cnvLine(1, "Masculino", "1") + cnvLine(2, "Feminino", "2"));
  SelectionForm form;
  form.dataFileSpec = "d*.dbf";
  form.selectionList = {normalizeDimensionLine("SRa\xE7"
                                               "a,RACA,falta.cnv"),
                        normalizeDimensionLine("SSexo,SEXO,1,SEXO.CNV")};
  const std::string page = pageOf(form, directory);
  EXPECT_NE(std::string::npos,
            page.find("<TABLE ALIGN=\"center\">\r\n"
                      "falta.cnv: Tabela de conversao nao encontrada\r\n"
                      "<TR><TD align=\"left\"><LABEL for=\"S1\">Ra&ccedil;a\r\n"
                      "</LABEL><TD align=\"left\"><SELECT NAME=\"SRa\xE7"
                      "a\" ID=\"S1\" SIZE=4 "
                      "MULTIPLE>\r\n"
                      "<OPTION VALUE=\"TODAS_AS_CATEGORIAS__\" SELECTED >Todas as categorias\r\n"
                      "</SELECT></TD></TR>\r\n"
                      "<P>\r\n"
                      "<TR><TD align=\"left\"><LABEL for=\"S2\">Sexo\r\n"
                      "</LABEL><TD align=\"left\"><SELECT NAME=\"SSexo\" ID=\"S2\" SIZE=4 "
                      "MULTIPLE>\r\n"
                      "<OPTION VALUE=\"TODAS_AS_CATEGORIAS__\" SELECTED >Todas as categorias\r\n"
                      "<OPTION VALUE=\"1\">Masculino\r\n"
                      "<OPTION VALUE=\"2\">Feminino\r\n"
                      "</SELECT></TD></TR>\r\n"
                      "<P>\r\n"
                      "<P>\r\n"))
      << page;
}

TEST_F(FormPage, AtMostEightySelections) {
  const std::string directory = tempDirectory();
  writeFileBytes(directory + "d03.dbf", "");
  SelectionForm form;
  form.dataFileSpec = "d*.dbf";
  for (int i = 1; i <= 85; ++i) {
    form.selectionList.push_back(normalizeDimensionLine("SS" + std::to_string(i) + ",F,x.cnv"));
  }
  const std::string page = pageOf(form, directory);
  EXPECT_NE(std::string::npos, page.find("ID=\"S80\""));
  EXPECT_EQ(std::string::npos, page.find("ID=\"S81\""));
}

TEST_F(FormPage, SelectionsListUpToFiveThousandSevenHundredCategories) {
  const std::string directory = tempDirectory();
  writeFileBytes(directory + "d03.dbf", "");
  for (const int count : {5700, 5701}) {
    std::string conversion = std::to_string(count) + " 4\r\n";
    for (int k = 1; k <= count; ++k) {
      char code[16];
      std::snprintf(code, sizeof code, "%04d", k);
      conversion += cnvLine(k, "C" + std::to_string(k), code);
    }
    writeFileBytes(directory + "big.cnv", conversion);
    SelectionForm form;
    form.dataFileSpec = "d*.dbf";
    form.selectionList = {normalizeDimensionLine("SGrande,CODIGO,1,big.cnv")};
    const std::string page = pageOf(form, directory);
    if (count == 5700) {
      EXPECT_NE(std::string::npos, page.find("<OPTION VALUE=\"5700\">C5700\r\n")) << count;
    } else {
      EXPECT_NE(std::string::npos, page.find("big.cnv: Linhas = 5701 > Max = 5700\r\n")) << count;
      EXPECT_EQ(std::string::npos, page.find("<OPTION VALUE=\"1\">")) << count;
    }
  }
}

TEST_F(FormPage, UnreadableDefinitionEndsTheRun) {
  // A directory opens but cannot be read.
  const std::string directory = tempDirectory();
  std::filesystem::create_directories(directory + "pasta.def");
  SelectionForm form;
  const Status definition = readSelectionForm(form, directory + "pasta.def");
  ASSERT_TRUE(definition);
  EXPECT_EQ(1, definition->status);
  EXPECT_EQ("Erro: " + directory + "pasta.def n\xE3o pode ser lido", definition->text);
}
