// The form's default choices, posted unchanged the way a browser posts them, give vorlexcgi a
// table: the field names and values formwright writes are the ones vorlexcgi reads.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "program_run.h"
#include "test_dbf.h"
#include "test_paths.h"

namespace {

using Field = std::pair<std::string, std::string>;

// The successful controls of the page when nothing is touched, in page order: the selected
// options of every list, the checked radio button, and the submit button that was pressed.
std::vector<Field> defaultFields(const std::string& page) {
  std::vector<Field> fields;
  const std::regex select("<SELECT NAME=\"([^\"]*)\"");
  const std::regex option("<OPTION VALUE=\"([^\"]*)\" SELECTED");
  const std::regex radio("<INPUT TYPE=\"radio\" NAME=\"([^\"]*)\".* VALUE=\"([^\"]*)\" CHECKED");
  const std::regex submit("<INPUT NAME=\"([^\"]*)\" TYPE=\"submit\" VALUE=([^>]*)>");
  std::string list;
  std::smatch match;
  std::size_t start = 0;
  while (start < page.size()) {
    std::size_t end = page.find("\r\n", start);
    if (end == std::string::npos) end = page.size();
    const std::string line = page.substr(start, end - start);
    if (std::regex_search(line, match, select)) list = match[1];
    if (std::regex_search(line, match, option)) fields.emplace_back(list, match[1]);
    if (std::regex_search(line, match, radio)) fields.emplace_back(match[1], match[2]);
    if (std::regex_search(line, match, submit)) fields.emplace_back(match[1], match[2]);
    start = end + 2;
  }
  return fields;
}

// application/x-www-form-urlencoded, bytes as the page's character set holds them.
std::string urlEncoded(const std::string& text) {
  std::string encoded;
  for (const char c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '*' || c == '-' || c == '.' || c == '_';
    if (plain) {
      encoded += c;
    } else if (c == ' ') {
      encoded += '+';
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", byte);
      encoded += hex;
    }
  }
  return encoded;
}

std::string postedBody(const std::vector<Field>& fields) {
  std::string body;
  for (const Field& field : fields) {
    if (!body.empty()) body += '&';
    body += urlEncoded(field.first) + "=" + urlEncoded(field.second);
  }
  return body;
}

// The first run of digits after `label` in the page.
std::string numberAfter(const std::string& page, const std::string& label) {
  std::smatch match;
  const std::size_t at = page.find(label);
  if (at == std::string::npos) return "";
  const std::string rest = page.substr(at + label.size());
  return std::regex_search(rest, match, std::regex("[0-9]+")) ? match.str() : "";
}

std::string cnvLine(int category, const std::string& label, const std::string& codes) {
  char line[128];
  std::snprintf(line, sizeof line, "   %4d  %-50s %s\r\n", category, label.c_str(), codes.c_str());
  return line;
}

}  // namespace

TEST(FormRoundTrip, DefaultChoicesGiveATable) {
  const std::string site = tempDirectory();
  std::filesystem::create_directories(site + "Dados");
  writeFileBytes(site + "sinasc07.def",
                 ";Nascidos vivos\r\n"
                 "LSexo,SEXO,1,sexo.cnv\r\n"
                 "TFaixa et\xE1ria,IDADE,1,idade.cnv\r\n"
                 "INascimentos,#\r\n"
                 "SSexo,SEXO,1,sexo.cnv\r\n"
                 "SFaixa et\xE1ria,IDADE,1,idade.cnv\r\n"
                 "ADados\\DN*.DBF\r\n");
  writeFileBytes(site + "sexo.cnv",
                 "2 1\r\n" + cnvLine(1, "Masculino", "1") + cnvLine(2, "Feminino", "2"));
  writeFileBytes(site + "idade.cnv", "2 2\r\n" + cnvLine(1, "Menos de 20 anos", "00-19") +
                                         cnvLine(2, "20 anos e mais", "20-99"));
  const std::vector<TestField> fields = {{"SEXO", 'C', 1}, {"IDADE", 'C', 2}};
  // The older file counts differently, so the table shows which file was posted.
  TestDbf{fields, {{"1", "25"}, {"1", "17"}, {"2", "30"}}}.writeTo(site + "Dados/DN03.DBF");
  TestDbf{fields, {{"2", "25"}, {"2", "31"}, {"2", "19"}, {"1", "22"}}}.writeTo(site +
                                                                                "Dados/DN02.DBF");

  const ProgramRun form = runProgram(programPath("formwright"), {"sinasc07.def"},
                                     {"SCRIPT_NAME=/cgi-bin/formwright.exe"}, "", site);
  ASSERT_EQ(0, form.status) << form.errors;
  const std::vector<Field> posted = defaultFields(form.output);
  const std::vector<Field> expected = {{"Linha", "Sexo"},
                                       {"Coluna", "--N\xE3o-Ativa--"},
                                       {"Incremento", "Nascimentos"},
                                       {"Arquivos", "dn03.dbf"},
                                       {"SSexo", "TODAS_AS_CATEGORIAS__"},
                                       {"SFaixa_et\xE1ria", "TODAS_AS_CATEGORIAS__"},
                                       {"formato", "table"},
                                       {"mostre", "Mostra"}};
  ASSERT_EQ(expected, posted) << form.output;
  ASSERT_NE(std::string::npos,
            form.output.find("<FORM ACTION=\"/cgi-bin/vorlexcgi.exe?sinasc07.def\" METHOD=POST>"));

  const std::string body = postedBody(posted);
  const ProgramRun table =
      runProgram(programPath("vorlexcgi"), {"sinasc07.def"},
                 {"CONTENT_LENGTH=" + std::to_string(body.size()), "REQUEST_METHOD=POST",
                  "SCRIPT_NAME=/cgi-bin/vorlexcgi.exe", "REMOTE_ADDR=127.0.0.1"},
                 body, site);
  ASSERT_EQ(0, table.status) << table.output << table.errors;
  EXPECT_EQ(std::string::npos, table.output.find("nao encontrad")) << table.output;
  EXPECT_EQ("3", numberAfter(table.output, "TOTAL")) << table.output;
  EXPECT_EQ("2", numberAfter(table.output, "Masculino")) << table.output;
  EXPECT_EQ("1", numberAfter(table.output, "Feminino")) << table.output;
  EXPECT_NE(std::string::npos, table.output.find("</HTML>")) << table.output;
}
