// The modern form: the option that asks for it, the fields it posts (the classic form's), a
// label for every control, the rules beside the measure list and the texts the script shows.
#include "modern_form.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <regex>
#include <set>

#include "output.h"
#include "program_run.h"
#include "test_paths.h"
#include "text_helpers.h"

namespace {

std::string pageOf(const SelectionForm& form, const std::string& directory) {
  return runInChild([&] {
           std::filesystem::current_path(directory);
           if (const Status failure = writeSelectionForm(form)) endWith(*failure);
         })
      .output;
}

SelectionForm formFrom(const std::string& definition) {
  const std::string path = tempPath("t.def");
  writeFileBytes(path, definition);
  SelectionForm form = newSelectionForm("t.def");
  const Status failure = readSelectionForm(form, path);
  EXPECT_FALSE(failure) << failure->text;
  return form;
}

const char* const kDefinition =
    ";Nascidos\r\n"
    "Ad*.dbf\r\n"
    "LMunic\xEDpio,CODMUN,1,x.cnv\r\n"
    "TSexo,SEXO,1,sexo.cnv\r\n"
    "CSexo,OUTRO,1,sexo.cnv\r\n"
    "TAno,ANO,1,ano.cnv\r\n"
    "TM\xEAs,ANO,5,mes.cnv\r\n"
    "INascidos,#\r\n"
    "EPopula\xE7\xE3o,POP,ANO\r\n"
    "%Percentual,#,SEXO\r\n"
    "%Sem base,#,NADA\r\n"
    "SSexo,SEXO,1,sexo.cnv\r\n"
    "SRa\xE7"
    "a,RACA,1,falta.cnv\r\n";

// A folder with two data files and the conversion file of sex.
std::string siteFolder() {
  const std::string directory = tempDirectory();
  for (const char* name : {"d03.dbf", "d04.dbf"}) writeFileBytes(directory + name, "");
  writeFileBytes(directory + "sexo.cnv", "2 1\r\n   1     Masculino" + std::string(42, ' ') +
                                             "1\r\n   2     Feminino" + std::string(43, ' ') +
                                             "2\r\n");
  return directory;
}

// What a browser would post from the page as written: each field's name with the values of its
// options (those chosen at first marked "*"), or the value of an input.
std::multimap<std::string, std::string> postedFields(const std::string& page) {
  std::multimap<std::string, std::string> fields;
  const std::regex select(
      R"re((?:<select|<SELECT)[^>]*(?:name|NAME)="([^"]*)"[^>]*>([\s\S]*?)</(?:select|SELECT)>)re");
  const std::regex option(
      R"re(<(?:option|OPTION) (?:value|VALUE)="([^"]*)"[^>]*?( selected| SELECTED)?\s*>)re");
  for (std::sregex_iterator s(page.begin(), page.end(), select), end; s != end; ++s) {
    const std::string body = (*s)[2];
    for (std::sregex_iterator o(body.begin(), body.end(), option); o != end; ++o) {
      fields.emplace((*s)[1], std::string((*o)[1]) + ((*o)[2].matched ? "*" : ""));
    }
  }
  const std::regex input(R"re((?:<input|<INPUT)[^>]*>)re");
  const std::regex name(R"re((?:name|NAME)="([^"]*)")re");
  const std::regex value(R"re((?:value|VALUE)="?([^" >]*))re");
  for (std::sregex_iterator i(page.begin(), page.end(), input), end; i != end; ++i) {
    const std::string tag = (*i)[0];
    std::smatch n, v;
    if (!std::regex_search(tag, n, name)) continue;
    std::regex_search(tag, v, value);
    const bool chosen =
        tag.find("checked") != std::string::npos || tag.find("CHECKED") != std::string::npos;
    fields.emplace(n[1], std::string(v[1]) + (chosen ? "*" : ""));
  }
  return fields;
}

}  // namespace

TEST(ModernForm, AskedForByTheDefinition) {
  const struct {
    const char* line;
    bool modern;
  } cases[] = {{"OHTML5\r\n", true}, {"Ohtml5\r\n", true}, {"oHTML5\r\n", false}, {"", false}};
  for (const auto& c : cases) {
    EXPECT_EQ(c.modern, formFrom(std::string(";t\r\n") + c.line).modern) << c.line;
  }
}

TEST(ModernForm, ReadsTheFieldsTheRulesNeed) {
  const SelectionForm form = formFrom(kDefinition);
  ASSERT_EQ(4u, form.rowFields.size());
  EXPECT_EQ("Munic\xEDpio", form.rowFields[0].name);
  EXPECT_EQ("CODMUN", form.rowFields[0].field);
  ASSERT_EQ(4u, form.columnFields.size());
  EXPECT_EQ("SEXO", form.columnFields[0].field);
  EXPECT_EQ("OUTRO", form.columnFields[1].field);
  ASSERT_EQ(4u, form.measureReferences.size());
  EXPECT_EQ('I', form.measureReferences[0].letter);
  EXPECT_EQ('E', form.measureReferences[1].letter);
  EXPECT_EQ("ANO", form.measureReferences[1].referenceField);
  EXPECT_EQ("SEXO", form.measureReferences[2].referenceField);
}

TEST(ModernForm, PostsTheFieldsOfTheClassicForm) {
  const std::string directory = siteFolder();
  SelectionForm form = formFrom(kDefinition);
  const std::string classic = pageOf(form, directory);
  form.modern = true;
  const std::string modern = pageOf(form, directory);
  std::multimap<std::string, std::string> posted = postedFields(modern);
  // The one field more names the selection lists the form shows.
  EXPECT_EQ(2u, posted.erase("listas"));
  EXPECT_EQ(postedFields(classic), posted) << modern;
}

TEST(ModernForm, EveryControlHasItsOwnIdAndALabel) {
  const std::string directory = siteFolder();
  SelectionForm form = formFrom(kDefinition);
  form.modern = true;
  const std::string page = pageOf(form, directory);
  std::set<std::string> ids;
  const std::regex id(R"re( id="([^"]*)")re");
  for (std::sregex_iterator i(page.begin(), page.end(), id), end; i != end; ++i) {
    EXPECT_TRUE(ids.insert((*i)[1]).second) << "twice: " << (*i)[1];
  }
  const std::regex control(R"re(<(select|input type="(?:checkbox|radio)")[^>]* id="([^"]*)")re");
  int controls = 0;
  for (std::sregex_iterator c(page.begin(), page.end(), control), end; c != end; ++c) {
    ++controls;
    EXPECT_NE(std::string::npos, page.find("<label for=\"" + std::string((*c)[2]) + "\">"))
        << (*c)[2];
  }
  EXPECT_EQ(11, controls);  // 6 lists, 2 check boxes, 3 radio buttons
  EXPECT_NE(std::string::npos,
            page.find("<fieldset class=\"vx-formato\">\r\n<legend>Formato</legend>"));
}

TEST(ModernForm, RulesBesideTheMeasuresAndTheTextsOfTheChecks) {
  const std::string directory = siteFolder();
  SelectionForm form = formFrom(kDefinition);
  form.modern = true;
  const std::string page = pageOf(form, directory);
  // A percentage names every row and column on its field, each once; one whose field no
  // variable has cannot be calculated.
  EXPECT_NE(
      std::string::npos,
      page.find("<ul class=\"vx-regras\" id=\"vx-regras\">\r\n"
                "<li id=\"vx-regra-varios\">V\xE1rios conte\xFA"
                "dos: s\xF3 com \xABN&atilde;o "
                "ativa\xBB em \xAB"
                "Coluna\xBB.</li>\r\n"
                "<li>\xABPopula&ccedil;&atilde;o\xBB, com mais de um per\xEDodo: pede "
                "\xAB"
                "Ano\xBB ou \xABM&ecirc;s\xBB em \xABLinha\xBB ou em \xAB"
                "Coluna\xBB.</li>\r\n"
                "<li>\xABPercentual\xBB: pede \xABSexo\xBB em \xABLinha\xBB ou em "
                "\xAB"
                "Coluna\xBB.</li>\r\n"
                "<li>\xABSem base\xBB: n\xE3o pode ser calculado nesta tabula\xE7\xE3o.</li>\r\n"
                "</ul>\r\n"))
      << page;
  EXPECT_NE(std::string::npos,
            page.find("<option value=\"Percentual\" data-vx-tipo=\"%\" data-vx-campo=\"SEXO\" "
                      "data-vx-erro=\"Para calcular \xABPercentual\xBB, escolha \xABSexo\xBB em "
                      "\xABLinha\xBB ou em \xAB"
                      "Coluna\xBB.\">Percentual</option>"))
      << page;
  EXPECT_NE(std::string::npos, page.find("<option value=\"Ano\" data-vx-campo=\"ANO\" "
                                         "data-vx-igual=\"\xAB"
                                         "Ano\xBB est\xE1 em"))
      << page;
  // The loader's message stands in the field of its list, which offers "all categories" alone.
  EXPECT_NE(std::string::npos, page.find("<div class=\"vx-campo\">\r\n"
                                         "falta.cnv: Tabela de conversao nao encontrada\r\n"
                                         "<label for=\"vx-s2\">Ra&ccedil;a</label>\r\n"))
      << page;
  EXPECT_NE(
      std::string::npos,
      page.find("<option value=\"TODAS_AS_CATEGORIAS__\" selected>Todas as categorias</option>\r\n"
                "</select>\r\n<input type=\"hidden\" name=\"listas\" value=\"SRa\xE7"
                "a\">"))
      << page;
  EXPECT_NE(std::string::npos, page.find("<script>\r\n(function () {\r\n")) << page;
  EXPECT_TRUE(page.ends_with("})();\r\n</script>\r\n</body>\r\n</html>\r\n")) << page;
}

TEST(ModernForm, ColumnListPointsAtTheRuleOnlyWhenThereIsOne) {
  const std::string directory = siteFolder();
  SelectionForm form = formFrom(";t\r\nAd*.dbf\r\nOHTML5\r\nTSexo,SEXO,1,sexo.cnv\r\n");
  const std::string page = pageOf(form, directory);
  EXPECT_NE(std::string::npos, page.find("<select name=\"Coluna\" id=\"vx-coluna\" size=\"2\">"))
      << page;
  EXPECT_EQ(std::string::npos, page.find("\"vx-regra")) << page;
}

TEST(ModernForm, NoDataFileSaysSoAndClosesThePage) {
  SelectionForm form = formFrom(
      ";T\xEDtulo\r\nAnada/*.dbf\r\nOL=ESP\r\nOHTML5\r\nTSexo,SEXO,1,sexo.cnv\r\nFfim\r\n");
  const std::string page = pageOf(form, tempDirectory());
  EXPECT_TRUE(
      page.ends_with("<main>\r\n<h1 class=\"Nivel0\">T&iacute;tulo</h1>\r\n"
                     "<p class=\"vx-mensagem\">Ning\xFAn dato disponible</p>\r\n"
                     "</main>\r\n<footer>\r\nfim\r\n</footer>\r\n</body>\r\n</html>\r\n"))
      << page;
}
