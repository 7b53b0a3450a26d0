// The modern result page on a small site (its definition with OHTML5): every request the
// classic checks refuse gets a reason of its own, so no classic text shows; the new checks; the
// early ends inside the page; the formats; the copy links with their sizes.
#include "modern_result.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "program_run.h"
#include "small_site.h"
#include "test_paths.h"

namespace {

std::string modernSite(const std::string& extraLines = "") {
  const std::string site = tempDirectory() + "modern_site/";
  std::filesystem::remove_all(site);
  writeSmallSite(site);
  writeFileBytes(site + "t.def", readFileBytes(site + "t.def") + "OHTML5\r\n" + extraLines);
  return site;
}

ProgramRun post(const std::string& site, const std::string& body,
                const std::string& definition = "t") {
  return runProgram(programPath("vorlexcgi"), {definition},
                    {"REMOTE_ADDR=10.0.0.7", "SCRIPT_NAME=/cgi-bin/vorlexcgi.exe",
                     "VORLEX_FIXED_TIME=2024-03-05 10:11:12.345",
                     "CONTENT_LENGTH=" + std::to_string(body.size())},
                    body, site);
}

const char* const kPage = "Content-type: text/html\r\n\r\n<!DOCTYPE html>\r\n";
const char* const kEnd = "</html>\r\n";
// What the classic page writes when it refuses a request.
const char* const kClassicTexts[] = {"Multiplos", "Aten", "deve ser selecionado", "<H2>", "<H3>"};

}  // namespace

TEST(ModernResult, EachRequestTheTabulatorRefusesGetsItsReason) {
  const std::string site = modernSite();
  const std::string two = "&Arquivos=DO23.dbf&Arquivos=DO24.dbf&formato=table";
  const std::string one = "&Arquivos=DO23.dbf&formato=table";
  const struct {
    std::string body;
    const char* reason;  // empty: the table
  } cases[] = {
      {"Linha=Municipio&Coluna=Sexo&Incremento=Obitos&Incremento=Custo" + one,
       "<li>V\xE1rios conte\xFA"
       "dos s\xF3 podem ser mostrados sem coluna"},
      {"Linha=Municipio&Incremento=Percentual" + one,
       "<li>Para calcular \xABPercentual\xBB, escolha \xABSexo\xBB em \xABLinha\xBB ou em "
       "\xAB"
       "Coluna\xBB.</li>"},
      {"Linha=Municipio&Coluna=Sexo&Incremento=Percentual" + one, ""},
      {"Linha=Sexo&Incremento=Obitos&Incremento=Percentual" + one, ""},
      // No row or column is on the stock's period field: one period is the only answer.
      {"Linha=Municipio&Incremento=Populacao" + two,
       "<li>\xABPopulacao\xBB n\xE3o pode ser somado entre per\xEDodos: escolha um s\xF3 "
       "per\xEDodo em"},
      {"Linha=Municipio&Incremento=Populacao" + one, ""},
      {"Linha=Sexo&Coluna=Sexo&Incremento=Obitos" + one, "<li>\xABSexo\xBB est\xE1 em"},
      {"Linha=Sexo&Coluna=Idade&Incremento=Obitos" + one, ""},
      {"Linha=Sexo&formato=table&Arquivos=DO23.dbf", "<li>Nenhum conte\xFA"},
      {"Linha=Sexo&Incremento=Obitos&formato=table", "<li>Nenhum per\xEDodo escolhido"},
      // A selection the form listed with nothing chosen; one it did not list selects all.
      {"Linha=Municipio&Incremento=Obitos&listas=SSexo" + one,
       "<li>Nenhuma categoria escolhida em \xABSexo\xBB"},
      {"Linha=Municipio&Incremento=Obitos&listas=SSexo&SSexo=TODAS_AS_CATEGORIAS__" + one, ""},
      {"Linha=Municipio&Incremento=Obitos" + one, ""},
  };
  for (const auto& c : cases) {
    const ProgramRun run = post(site, c.body);
    EXPECT_EQ(0, run.status) << c.body;
    EXPECT_TRUE(run.output.starts_with(kPage)) << c.body << run.output;
    EXPECT_TRUE(run.output.ends_with(std::string(kEnd))) << c.body << run.output;
    if (*c.reason == '\0') {
      EXPECT_NE(std::string::npos, run.output.find("<table class=\"vx-resultado")) << c.body;
    } else {
      EXPECT_NE(std::string::npos, run.output.find(c.reason)) << c.body << run.output;
    }
    for (const char* classic : kClassicTexts) {
      EXPECT_EQ(std::string::npos, run.output.find(classic)) << c.body << run.output;
    }
  }
}

TEST(ModernResult, EarlyEndsStayInsideThePage) {
  const std::string site = modernSite("SRaca,RACA,1,falta.cnv\r\n");
  const std::string one = "&Arquivos=DO23.dbf&formato=table";
  const struct {
    std::string body;
    const char* message;
  } cases[] = {
      {"Linha=Nada&Incremento=Obitos" + one,
       "<h1 class=\"Nivel0\">Obitos de teste</h1>\r\n<div class=\"vx-mensagem\">\r\n"
       "<p>Linha nao definida: Nada</p>\r\n</div>\r\n"
       "<p><a href=\"formwright.exe?t\">Voltar ao formul\xE1rio</a></p>\r\n</main>\r\n"},
      {"Linha=Sexo&Incremento=Obitos&SMunicipio=4" + one,
       "<div class=\"vx-mensagem\">\r\n<p>Nenhum registro selecionado</p>\r\n</div>"},
      // A selection whose conversion file is refused: its message inside the page, not before
      // the document type as on the classic page.
      {"Linha=Sexo&Incremento=Obitos&SRaca=1" + one,
       "<div class=\"vx-mensagem\">\r\n<p>falta.cnv: Tabela de conversao nao encontrada</p>\r\n"},
  };
  for (const auto& c : cases) {
    const ProgramRun run = post(site, c.body);
    EXPECT_EQ(0, run.status) << c.body;
    EXPECT_TRUE(run.output.starts_with(kPage)) << c.body << run.output;
    EXPECT_NE(std::string::npos, run.output.find(c.message)) << c.body << run.output;
    EXPECT_TRUE(run.output.ends_with(std::string(kEnd))) << c.body << run.output;
  }
  // Without a definition there is no modern page to ask for.
  const ProgramRun missing = post(site, "Linha=Sexo", "nada");
  EXPECT_EQ("Content-type: text/html\r\n\r\nnada.def: arquivo DEF nao encontrado\r\n",
            missing.output);
}

TEST(ModernResult, FormatsTheFormOffersGetTheModernPage) {
  const std::string site = modernSite();
  const std::string request = "Linha=Sexo&Incremento=Obitos&Arquivos=DO23.dbf&formato=";
  const struct {
    const char* format;
    const char* start;
    const char* inside;
  } cases[] = {
      {"table", kPage, "<table class=\"vx-resultado"},
      {"pre", kPage,
       "<div class=\"vx-texto\" role=\"region\" aria-labelledby=\"vx-titulo\" "
       "tabindex=\"0\">\r\n<PRE>\r\nSexo "},
      {"prn", kPage, "\"Total\";6\r\n&\r\n</PRE>\r\n</div>\r\n<figure class=\"vx-grafico\">"},
      // The notebook is read by programs that parse the classic page.
      {"caderno", "Content-type: text/html\r\n\r\n<!DOCTYPE HTML PUBLIC", "<PRE>\r\n\"Sexo\";"},
  };
  for (const auto& c : cases) {
    const ProgramRun run = post(site, request + c.format);
    EXPECT_TRUE(run.output.starts_with(c.start)) << c.format << run.output;
    EXPECT_NE(std::string::npos, run.output.find(c.inside)) << c.format << run.output;
  }
}

TEST(ModernResult, CopyLinksNameTheirTypeAndSize) {
  const std::string site = modernSite();
  std::filesystem::create_directories(site + "csv");
  const ProgramRun run = post(site, "Linha=Sexo&Incremento=Obitos&Arquivos=DO23.dbf&formato=table");
  const std::regex link(
      "<li><a href=\"/csv/([^\"]+)\" download type=\"(text/[a-z]+)\">[^<(]+\\(([A-Z]+), ([0-9]+) "
      "bytes\\)</a></li>");
  std::vector<std::string> kinds;
  for (std::sregex_iterator l(run.output.begin(), run.output.end(), link), end; l != end; ++l) {
    const std::string name = (*l)[1];
    kinds.push_back(std::string((*l)[2]) + " " + std::string((*l)[3]));
    EXPECT_EQ(std::to_string(std::filesystem::file_size(site + "csv/" + name)), (*l)[4]) << name;
  }
  EXPECT_EQ((std::vector<std::string>{"text/csv CSV", "text/plain TAB"}), kinds) << run.output;
  EXPECT_NE(std::string::npos, run.output.find("<h2>C\xF3pias da tabela</h2>")) << run.output;
}
