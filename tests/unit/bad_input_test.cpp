// Bad inputs a site or a user can give, each with the exact text the page or the console gets
// and the exit status. After each run the site holds exactly the files it held before, byte for
// byte, unless the case names what the run may add: no half-written index, copy or log line, and
// an existing good index untouched.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "program_run.h"
#include "small_site.h"
#include "test_dbf.h"
#include "test_paths.h"

namespace fs = std::filesystem;

namespace {

const std::string kCgiHeader = "Content-type: text/html\r\n\r\n";
const std::string kPageHead =
    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\" "
    "\"http://www.w3.org/TR/html4/loose.dtd\">\r\n"
    "\r\n"
    "<html lang=\"pt-BR\"><HEAD><TITLE>Vorlex Win32 2.7: Obitos de teste</TITLE>\r\n"
    "</HEAD>\r\n"
    "<BODY>\r\n"
    "<H1>Obitos</H1>\r\n";

// How the child runs beyond its arguments: a limit on the size of the files it writes (a full
// disk: writes past it fail, SIGXFSZ ignored), or without write permission in the site (as
// another user when the tests run as root, whom permissions do not stop).
struct Limits {
  std::optional<rlim_t> fileSize;
  bool unprivileged = false;
  std::optional<rlim_t> addressSpace{};  // memory the program may map
};

// What the child does before the program starts: the limits of the case.
std::function<void()> applying(const Limits& limits) {
  return [limits] {
    if (limits.fileSize) {
      signal(SIGXFSZ, SIG_IGN);
      const rlimit limit{*limits.fileSize, *limits.fileSize};
      setrlimit(RLIMIT_FSIZE, &limit);
    }
    if (limits.addressSpace) {
      const rlimit limit{*limits.addressSpace, *limits.addressSpace};
      setrlimit(RLIMIT_AS, &limit);
    }
    if (limits.unprivileged && geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) {
      _exit(125);
    }
  };
}

// Every file under `directory`, by relative path, with its bytes.
std::map<std::string, std::string> snapshot(const std::string& directory) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(directory)) {
    const std::string path = fs::relative(entry.path(), directory).generic_string();
    files[path] = entry.is_regular_file() ? readFileBytes(entry.path().string()) : "<directory>";
  }
  return files;
}

// The expected text with "{PID}" standing for any number (a temporary name made from the process
// number) and "{RANDOM}" for the 16 lower-case hex digits of a name's random part.
bool matchesExpected(std::string_view expected, std::string_view actual) {
  const std::size_t pid = expected.find("{PID}"), random = expected.find("{RANDOM}");
  const std::size_t marker = std::min(pid, random);
  if (marker == std::string_view::npos) return expected == actual;
  if (actual.substr(0, marker) != expected.substr(0, marker)) return false;
  actual.remove_prefix(marker);
  std::size_t taken = 0;
  if (marker == random) {
    while (taken < 16 && taken < actual.size() &&
           ((actual[taken] >= '0' && actual[taken] <= '9') ||
            (actual[taken] >= 'a' && actual[taken] <= 'f'))) {
      ++taken;
    }
    if (taken != 16) return false;
    return matchesExpected(expected.substr(marker + 8), actual.substr(taken));
  }
  while (taken < actual.size() && actual[taken] >= '0' && actual[taken] <= '9') ++taken;
  return taken > 0 && matchesExpected(expected.substr(marker + 5), actual.substr(taken));
}

std::string visible(const std::string& text) {
  std::string shown;
  for (unsigned char c : text) {
    if (c == '\r') {
      shown += "\\r";
    } else if (c == '\n') {
      shown += "\\n\n";
    } else if (c < 32 || c >= 127) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      shown += hex;
    } else {
      shown += static_cast<char>(c);
    }
  }
  return shown;
}

struct BadInput {
  std::string name;
  std::string program;  // "vorlexcgi" or "seriak"
  std::vector<std::string> arguments;
  // Site files replaced (or removed, when empty of value) before the run.
  std::map<std::string, std::optional<std::string>> changes;
  std::string body;                      // the post; CONTENT_LENGTH is its size unless set below
  std::vector<std::string> environment;  // added to the CGI environment of the run
  std::string expected;                  // standard output, exactly
  int status = 0;
  Limits limits{};
  std::vector<std::string> mayAdd{};  // files the run may leave besides the site's own
  // Files the run must leave with exactly these bytes (markers as in `expected`).
  std::map<std::string, std::string> leaves{};
  std::vector<std::string> removes{};  // site files the run must remove
};

const std::string kTablePage =
    "<CENTER>\r\n"
    "<H2>Obitos de teste</H2>\r\n"
    "<b>Obitos por Sexo segundo Municipio</b><br>\r\n"
    "<b>Municipio:</b> Porto Velho, S&atilde;o Paulo<BR>\r\n"
    "<b>Per&iacute;odo:</b> 2024, 2023<P>\r\n"
    "<TABLE BORDER>\r\n"
    "<TR ALIGN=RIGHT>\r\n"
    "<TH ALIGN=LEFT>Municipio<TH>Masculino<TH>Feminino<TH>Total\r\n"
    "<TR ALIGN=RIGHT>\r\n"
    "<TH ALIGN=LEFT> TOTAL\r\n"
    "<TD>4<TD>6<TD>10\r\n"
    "<TR ALIGN=RIGHT>\r\n"
    "<TH ALIGN=LEFT>Porto Velho\r\n"
    "<TD>2<TD>4<TD>6\r\n"
    "<TR ALIGN=RIGHT>\r\n"
    "<TH ALIGN=LEFT>S&atilde;o Paulo\r\n"
    "<TD>2<TD>2<TD>4\r\n"
    "</TABLE>\r\n"
    "</CENTER>\r\n"
    "<BR>\r\n";
// What follows the table of kSmallSiteBody when the copies are written.
const std::string kLinksAndBlock =
    "<br><table width=60% align=center><tr align=center>\r\n"
    "<td><A HREF=/csv/A10111210_0_0_7_{RANDOM}.csv>Copia como .CSV</A>\r\n"
    "<td><A HREF=/csv/A10111210_0_0_7_{RANDOM}.tab>Copia para Durnix</A>\r\n"
    "</table>\r\n"
    "Fonte: teste\r\n"
    "</BODY>\r\n"
    "<!--\r\n"
    "<TABELA>\r\n"
    "Planilha=\r\n"
    "Titulo=Obitos de teste\r\n"
    "Def=t\r\n"
    "Varmunic=\r\n"
    "Linha=Municipio\r\n"
    "Coluna=Sexo\r\n"
    "Incremento=Obitos\r\n"
    "SMunicipio=1\r\n"
    "SMunicipio=2\r\n"
    "Periodo=23,24\r\n"
    "</TABELA>\r\n"
    "-->\r\n"
    "</HTML>\r\n";
// The copies and the stamp of the retention sweep.
const std::vector<std::string> kCopies = {"csv/A10111210_0_0_7_{RANDOM}.csv",
                                          "csv/A10111210_0_0_7_{RANDOM}.tab", "csv/.limpeza"};

std::vector<std::string> cgiEnvironment(const BadInput& input) {
  std::vector<std::string> environment = {"REMOTE_ADDR=10.0.0.7",
                                          "SCRIPT_NAME=/cgi-bin/vorlexcgi.exe",
                                          "VORLEX_FIXED_TIME=2024-03-05 10:11:12.345"};
  bool lengthGiven = false;
  for (const std::string& entry : input.environment) {
    lengthGiven = lengthGiven || entry.rfind("CONTENT_LENGTH=", 0) == 0;
    environment.push_back(entry);
  }
  if (!lengthGiven && input.program == "vorlexcgi") {
    environment.push_back("CONTENT_LENGTH=" + std::to_string(input.body.size()));
  }
  return environment;
}

// A line of a conversion file, as tests/support/small_site.cpp writes them.
std::string cnvLine(int category, const std::string& label, const std::string& codes) {
  std::string number = std::to_string(category);
  std::string line = "   " + std::string(4 - number.size(), ' ') + number + "  " + label;
  line.resize(60, ' ');
  return line + codes + "\r\n";
}

std::string tableText(const std::string& text) {
  TestDbf table;
  std::string error;
  EXPECT_TRUE(parseTestDbfText(text, table, error)) << error;
  return table.bytes();
}

// A sorted table of 300 municipalities: its index is far larger than the stream buffer.
std::string manyCodesTable() {
  std::string text = "CODMUN C 6, SEXO C 1\n";
  for (int code = 100000; code < 100300; ++code) text += std::to_string(code) + "|1\n";
  return tableText(text);
}

const std::string kRowBody = "Linha=Municipio&Incremento=Obitos&Arquivos=DO23.dbf&formato=table";

std::string repeated(const std::string& text, int times) {
  std::string result;
  for (int i = 0; i < times; ++i) result += text;
  return result;
}

// Distinct measure names that the definition does not offer.
std::string unknownMeasures(int count) {
  std::string result;
  for (int i = 1; i <= count; ++i) result += "&Incremento=M" + std::to_string(i);
  return result;
}

// The end of a page in the prn format, after the heading.
std::string prnTable(const std::string& lines) {
  return "<PRE>\r\n" + lines + "&\r\n</PRE></BODY>\r\n</HTML>\r\n";
}

// The month's log line of a request from kCgiEnvironment.
std::string logLine(const std::string& query, std::size_t length, int files,
                    const std::string& agent = "") {
  return "F 05/03/24 10:11:12|" + query + "|" + std::to_string(length) + "|" +
         std::to_string(files) + "|10.0.0.7|" + agent + "|0\r\n";
}

// A table of `records` records, all of the first municipality, and an index with `lines` entries
// each naming all of them: a request through it reads records x lines records.
std::map<std::string, std::optional<std::string>> endlessIndex(int records, int lines) {
  std::string table = "CODMUN C 6, SEXO C 1\n";
  for (int r = 0; r < records; ++r) table += "110001|1\n";
  std::string index = "CODMUN\r\n";
  const std::string last = std::to_string(records);
  for (int l = 0; l < lines; ++l) {
    index += "110001       1" + std::string(8 - last.size(), ' ') + last + "\r\n";
  }
  return {{"dados/DO23.dbf", tableText(table)}, {"dados/DO23.IXM", index}};
}

std::vector<BadInput> badInputs() {
  const std::string cgiHead = kCgiHeader + kPageHead;
  std::vector<BadInput> inputs = {
      // Request: CONTENT_LENGTH and the body.
      {"negative CONTENT_LENGTH",
       "vorlexcgi",
       {"t"},
       {},
       kRowBody,
       {"CONTENT_LENGTH=-5"},
       kCgiHeader + "Erro: CONTENT_LENGTH inv\xE1lido: '-5'\r\n",
       1},
      {"CONTENT_LENGTH not a number",
       "vorlexcgi",
       {"t"},
       {},
       kRowBody,
       {"CONTENT_LENGTH=12a"},
       kCgiHeader + "Erro: CONTENT_LENGTH inv\xE1lido: '12a'\r\n",
       1},
      {"CONTENT_LENGTH beyond 32 bits",
       "vorlexcgi",
       {"t"},
       {},
       kRowBody,
       {"CONTENT_LENGTH=4294967297"},
       kCgiHeader + "Erro: CONTENT_LENGTH inv\xE1lido: '4294967297'\r\n",
       1},
      {"huge CONTENT_LENGTH",
       "vorlexcgi",
       {"t"},
       {},
       kRowBody,
       {"CONTENT_LENGTH=2000000000"},
       kCgiHeader + "Excedeu mem\xF3ria:2000000000\r\n",
       1},
      {"bad percent sequences in the row name",
       "vorlexcgi",
       {"t"},
       {},
       "Linha=Mun%ZZicipio%4&Incremento=Obitos%",
       {},
       cgiHead + "<H2>Linha nao definida: " + std::string("Mun\0icipio", 10) +
           "@Incremento=Obitos%</H2>\r\n",
       0},
      {"posted Linha naming a conversion file of its own",
       "vorlexcgi",
       {"t"},
       {},
       "Linha=X,CODMUN,1,../../etc/passwd&Incremento=Obitos",
       {},
       cgiHead + "<H2>Linha nao definida: X,CODMUN,1,../../etc/passwd</H2>\r\n",
       0},
      {"posted Coluna naming a DBF table of its own",
       "vorlexcgi",
       {"t"},
       {},
       "Linha=Municipio&Coluna=Y,CODMUN,NOME,<b>dados/DO23.dbf&Incremento=Obitos",
       {},
       cgiHead + "<H2>Coluna nao definida: Y,CODMUN,NOME,&lt;b&gt;dados/DO23.dbf</H2>\r\n",
       0},
      {"selection value not a number",
       "vorlexcgi",
       {"t"},
       {},
       kRowBody + "&SMunicipio=x1",
       {},
       kCgiHeader + "Erro: 'x1' n\xE3o \xE9 um inteiro v\xE1lido\r\n",
       1},
      {"definition name leaving the site",
       "vorlexcgi",
       {"../t"},
       {},
       kRowBody,
       {},
       kCgiHeader + "../t.def: arquivo DEF nao encontrado\r\n",
       0},

      // Definition.
      {"rate line without multiplier and decimals",
       "vorlexcgi",
       {"t"},
       {{"t.def", ";Obitos de teste\r\nLMunicipio,CODMUN,1,munic.cnv\r\nITaxa,CUSTO,#\r\n"}},
       "Linha=Municipio&Incremento=Taxa",
       {},
       kCgiHeader + "Erro: '' n\xE3o \xE9 um n\xFAmero v\xE1lido\r\n",
       1},
      {"row line without fields",
       "vorlexcgi",
       {"t"},
       {{"t.def", ";Obitos de teste\r\nH<H1>Obitos</H1>\r\nLMunicipio,\r\n"}},
       kRowBody,
       {},
       cgiHead + ": Tabela de conversao nao encontrada\r\n",
       0},
      {"row line without comma has no key",
       "vorlexcgi",
       {"t"},
       {{"t.def", ";Obitos de teste\r\nH<H1>Obitos</H1>\r\nLMunicipio\r\n"}},
       kRowBody,
       {},
       cgiHead + "<H2>Linha nao definida: Municipio</H2>\r\n",
       0},
      {"overlong definition lines are cut at 255",
       "vorlexcgi",
       {"t"},
       {{"t.def", ";Obitos de teste\r\nH<H1>Obitos</H1>\r\nLMunicipio,CODMUN,1," +
                      std::string(300, 'm') + ".cnv\r\n"}},
       kRowBody,
       {},
       cgiHead + std::string(120, 'm') + ": Tabela de conversao nao encontrada\r\n",
       0},

      // Conversion files.
      {"conversion count not a number",
       "vorlexcgi",
       {"t"},
       {{"munic.cnv", "x4 6 L\r\n"}},
       kRowBody,
       {},
       cgiHead + "Erro: 'x4' n\xE3o \xE9 um inteiro v\xE1lido\r\n",
       1},
      {"conversion count 0",
       "vorlexcgi",
       {"t"},
       {{"munic.cnv", "0 6 L\r\n"}},
       kRowBody,
       {},
       cgiHead + "munic.cnv: Numero de categorias nao valido\r\n",
       0},
      {"conversion header without width",
       "vorlexcgi",
       {"t"},
       {{"munic.cnv", "4\r\n"}},
       kRowBody,
       {},
       cgiHead + "munic.cnv: Falta largura do codigo\r\n",
       0},
      {"conversion kind letter X",
       "vorlexcgi",
       {"t"},
       {{"munic.cnv", "4 6 xyzzy\r\n"}},
       kRowBody,
       {},
       cgiHead + "munic.cnv: terceiro parametro <> \"L\"  ou \"F\" = Xyzz\r\n",
       0},
      {"conversion without header",
       "vorlexcgi",
       {"t"},
       {{"munic.cnv", "; only a comment\r\n   \r\n"}},
       kRowBody,
       {},
       cgiHead + "munic.cnv: Falta cabecalho\r\n",
       0},
      {"conversion with too many categories",
       "vorlexcgi",
       {"t"},
       {{"munic.cnv", "5700 6 L\r\n"}},
       kRowBody,
       {},
       cgiHead + "munic.cnv: Linhas = 5700 > Max = 5699\r\n",
       0},
      {"conversion category number beyond the count",
       "vorlexcgi",
       {"t"},
       {{"munic.cnv", "2 6 L\r\n" + cnvLine(1, "Um", "110001") + cnvLine(9, "Nove", "355030")}},
       kRowBody,
       {},
       cgiHead + "munic.cnv : Indice nao valido na linha 9\r\n",
       0},
      {"conversion category number 0",
       "vorlexcgi",
       {"t"},
       {{"munic.cnv", "2 6 L\r\n" + cnvLine(0, "Zero", "110001")}},
       kRowBody,
       {},
       cgiHead + "munic.cnv : Indice nao valido na linha 0\r\n",
       0},
      {"kind 2 bound not a number",
       "vorlexcgi",
       {"t"},
       {{"custo.cnv",
         "2 8 F\r\n" + cnvLine(1, "Ate 5", "       5") + cnvLine(2, "Ate muito", "   muito")}},
       "Linha=Faixa_de_custo&Incremento=Obitos&Arquivos=DO23.dbf",
       {},
       cgiHead + "custo.cnv : Valor num\xE9rico nao valido na linha 2\r\n",
       0},
      {"kind 1 code line too short",
       "vorlexcgi",
       {"t"},
       {{"munic.cnv", "1 6 L\r\n" + cnvLine(1, "Curto", "1100")}},
       kRowBody,
       {},
       cgiHead + "munic.cnv : Codigo nao valido na linha 1\r\n",
       0},

      // Data files and indexes.
      {"data file header cut short",
       "vorlexcgi",
       {"t"},
       {{"dados/DO23.dbf", std::string("\x03\x7c\x01\x1f\x06\0\0\0\xe1", 9)}},
       kRowBody,
       {},
       cgiHead + "OpenDBF:dados/DO23.dbf cabe\xE7"
                 "alho inv\xE1lido!\r\n",
       1},
      {"data file record length 0",
       "vorlexcgi",
       {"t"},
       {{"dados/DO23.dbf", tableText("CODMUN C 6\n@recordLength 0\n110001\n")}},
       kRowBody,
       {},
       cgiHead + "OpenDBF:dados/DO23.dbf cabe\xE7"
                 "alho inv\xE1lido!\r\n",
       1},
      {"data file fields longer than the record",
       "vorlexcgi",
       {"t"},
       {{"dados/DO23.dbf", tableText("CODMUN C 6, SEXO C 1\n@recordLength 5\n110001|1\n")}},
       kRowBody,
       {},
       cgiHead + "OpenDBF:dados/DO23.dbf cabe\xE7"
                 "alho inv\xE1lido!\r\n",
       1},
      {"record count beyond the file",
       "vorlexcgi",
       {"t"},
       {{"dados/DO23.dbf", tableText("CODMUN C 6, SEXO C 1\n@records 40\n110001|1\n355030|2\n")}},
       "Linha=Municipio&Incremento=Obitos&Arquivos=DO23.dbf&formato=prn",
       {},
       cgiHead + "<H2>Obitos de teste</H2>\r\n<b>Obitos segundo "
                 "Municipio</b><br>\r\n<b>Per&iacute;odo:</b> "
                 "2023<P>\r\n<PRE>\r\n\"Municipio\";\"Obitos\"\r\n\"Porto "
                 "Velho\";1\r\n\"S&atilde;o Paulo\";1\r\n"
                 "\"Total\";2\r\n&\r\n</PRE></BODY>\r\n</HTML>\r\n",
       0,
       {},
       {"csv/vorlex2403.log"}},
      {"index record beyond the file",
       "vorlexcgi",
       {"t"},
       {{"dados/DO23.IXM", "CODMUN\r\n110001       1       3\r\n355030       4      99\r\n"}},
       kSmallSiteBody,
       {},
       cgiHead + "readDBF:dados/DO23.dbf N\xFAmero de Reg inv\xE1lido = 7",
       1},
      {"index record number not a number",
       "vorlexcgi",
       {"t"},
       {{"dados/DO23.IXM", "CODMUN\r\n110001       1     x 3\r\n"}},
       kSmallSiteBody,
       {},
       cgiHead + "Erro: 'x 3' n\xE3o \xE9 um inteiro v\xE1lido\r\n",
       1},
      {"posted file name leaving the data directory",
       "vorlexcgi",
       {"t"},
       {},
       "Linha=Municipio&Incremento=Obitos&Arquivos=..%2Ft.def&Arquivos=DO23.dbf&Arquivos=%2Fetc%"
       "2Fpasswd&formato=prn",
       {},
       cgiHead +
           "Arquivo invalido: ../t.def\r\nArquivo invalido: /etc/passwd\r\n<H2>Obitos de "
           "teste</H2>\r\n"
           "<b>Obitos segundo Municipio</b><br>\r\n<b>Per&iacute;odo:</b> 2023<P>\r\n<PRE>\r\n"
           "\"Municipio\";\"Obitos\"\r\n\"Porto Velho\";3\r\n\"S&atilde;o "
           "Paulo\";2\r\n\"Goi&acirc;nia\";1\r\n"
           "\"Total\";6\r\n&\r\n</PRE></BODY>\r\n</HTML>\r\n",
       0,
       {},
       {"csv/vorlex2403.log"}},
      {"selection values out of range",
       "vorlexcgi",
       {"t"},
       {},
       "Linha=Municipio&Incremento=Obitos&Arquivos=DO23.dbf&SSexo=0&SSexo=4&SSexo=-1&SSexo=99999&"
       "formato=prn",
       {},
       cgiHead + "<H2>Nenhum registro selecionado</H2>\r\n</BODY></HTML>",
       0},

      // Copies and log.
      {"csv directory that cannot be written",
       "vorlexcgi",
       {"t"},
       {},
       kSmallSiteBody,
       {},
       cgiHead + kTablePage + "<h4>Sem permiss\xE3o para gravar no diret\xF3rio CSV!!!</h4>\r\n",
       1,
       {std::nullopt, true}},
      {"full disk when writing a copy",
       "vorlexcgi",
       {"t"},
       {},
       kSmallSiteBody,
       {},
       cgiHead + kTablePage +
           "Erro: falha ao gravar csv/.A10111210_0_0_7_{RANDOM}.csv.{PID}.0.tmp\r\n",
       1,
       {100, false}},
      {"full disk when appending the log line",
       "vorlexcgi",
       {"t"},
       {{"csv/vorlex2403.log", std::string(1000, 'x') + "\r\n"}},
       kSmallSiteBody,
       {},
       cgiHead + kTablePage + kLinksAndBlock +
           "Erro: log csv/vorlex2403.log n\xE3o pode ser escrito\r\n",
       1,
       {1024, false},
       kCopies},

      // Hostile requests: a request asks for no more work than its definition can mean.
      [&] {
        const std::string body = "Linha=Sexo" + repeated("&Incremento=Custo", 1000) +
                                 repeated("&Arquivos=DO23.dbf", 20) + "&formato=prn";
        return BadInput{"a measure and a file named many times count once",
                        "vorlexcgi",
                        {"t"},
                        {},
                        body,
                        {},
                        cgiHead +
                            "<H2>Obitos de teste</H2>\r\n<b>Custo segundo Sexo</b><br>\r\n"
                            "<b>Per&iacute;odo:</b> 2023<P>\r\n" +
                            prnTable("\"Sexo\";\"Custo\"\r\n\"Masculino\";114,00\r\n"
                                     "\"Feminino\";10,25\r\n\"Total\";124,25\r\n"),
                        0,
                        {},
                        {},
                        {{"csv/vorlex2403.log", logLine("", body.size(), 1)}}};
      }(),
      [&] {
        const std::string body = "Linha=Municipio" + repeated("&Incremento=Custo", 5700) +
                                 "&Arquivos=DO23.dbf&SMunicipio=1&zeradas=exibirlz&formato=table";
        return BadInput{"copies of a measure named many times hold it once",
                        "vorlexcgi",
                        {"t"},
                        {},
                        body,
                        {},
                        cgiHead +
                            "<CENTER>\r\n<H2>Obitos de teste</H2>\r\n"
                            "<b>Custo segundo Municipio</b><br>\r\n"
                            "<b>Municipio:</b> Porto Velho<BR>\r\n"
                            "<b>Per&iacute;odo:</b> 2023<P>\r\n"
                            "<TABLE BORDER>\r\n<TR ALIGN=RIGHT>\r\n"
                            "<TH ALIGN=LEFT>Municipio<TH>Custo\r\n"
                            "<TR ALIGN=RIGHT>\r\n<TH ALIGN=LEFT> TOTAL\r\n<TD>19,75\r\n"
                            "<TR ALIGN=RIGHT>\r\n<TH ALIGN=LEFT>Porto Velho\r\n<TD>19,75\r\n"
                            "<TR ALIGN=RIGHT>\r\n<TH ALIGN=LEFT>S&atilde;o Paulo\r\n"
                            "<TD>0,00\r\n<TR ALIGN=RIGHT>\r\n<TH ALIGN=LEFT>Goi&acirc;nia\r\n"
                            "<TD>0,00\r\n<TR ALIGN=RIGHT>\r\n<TH ALIGN=LEFT>Outros\r\n"
                            "<TD>0,00\r\n</TABLE>\r\n</CENTER>\r\n<BR>\r\n"
                            "<br><table width=60% align=center><tr align=center>\r\n"
                            "<td><A HREF=/csv/A10111210_0_0_7_{RANDOM}.csv>Copia como "
                            ".CSV</A>\r\n"
                            "<td><A HREF=/csv/A10111210_0_0_7_{RANDOM}.tab>Copia para "
                            "Durnix</A>\r\n"
                            "</table>\r\nFonte: teste\r\n</BODY>\r\n<!--\r\n<TABELA>\r\n"
                            "Planilha=\r\nTitulo=Obitos de teste\r\nDef=t\r\nVarmunic=\r\n"
                            "Linha=Municipio\r\nIncremento=Custo\r\nSMunicipio=1\r\n"
                            "zeradas=exibirlz\r\nPeriodo=23\r\n</TABELA>\r\n-->\r\n"
                            "</HTML>\r\n",
                        0,
                        {},
                        {kCopies[1], kCopies[2], "csv/vorlex2403.log"},
                        {{"csv/A10111210_0_0_7_{RANDOM}.csv",
                          "Obitos de teste\r\nCusto por Municipio\r\nMunicipio: Porto Velho\r\n"
                          "Per\xEDodo:2023\r\n\"Municipio\";\"Custo\"\r\n\"Porto Velho\";19,75\r\n"
                          "\"S\xE3o Paulo\";0,00\r\n\"Goi\xE2nia\";0,00\r\n\"Outros\";0,00\r\n"
                          "\"Total\";19,75\r\n"}}};
      }(),
      {"unknown measures collapse into one",
       "vorlexcgi",
       {"t"},
       {},
       "Linha=Municipio&Arquivos=DO23.dbf&formato=prn" + unknownMeasures(5700),
       {},
       cgiHead + "Campo Incremento  nao encontrado em dados/DO23.dbf\r\n"
                 "<H2>Nenhum registro selecionado</H2>\r\n</BODY></HTML>",
       0},
      {"table beyond the cell bound",
       "vorlexcgi",
       {"t"},
       {},
       kSmallSiteBody,
       {"VORLEX_MAX_CELLS=7"},
       cgiHead + "<H2>Tabela grande demais: 4 linhas x 2 colunas = 8 c\xE9lulas, acima do limite "
                 "de 7; escolha uma Linha ou uma Coluna com menos categorias</H2>\r\n"
                 "</BODY></HTML>",
       0},
      {"measures beyond the cell bound",
       "vorlexcgi",
       {"t"},
       {},
       "Linha=Municipio&Incremento=Obitos&Incremento=Custo&Arquivos=DO23.dbf",
       {"VORLEX_MAX_CELLS=7"},
       cgiHead + "<H2>Tabela grande demais: 4 linhas x 2 colunas = 8 c\xE9lulas, acima do limite "
                 "de 7; escolha uma Linha com menos categorias ou menos conte\xFA"
                 "dos</H2>\r\n</BODY></HTML>",
       0},
      {"posted file name holding markup",
       "vorlexcgi",
       {"t"},
       {},
       "Linha=Municipio&Incremento=Obitos&Arquivos=DO%3Cimg+src%3Dx+onerror%3Dalert(1)%3E23.dbf",
       {},
       cgiHead + "OpenDBF:dados/DO&lt;img+src=x+onerror=alert(1)&gt;23.dbf Arquivo n\xE3o "
                 "encontrado!\r\n",
       1},
      {"posted file name hiding markup after a NUL",
       "vorlexcgi",
       {"t"},
       {},
       "Linha=Municipio&Incremento=Obitos&Arquivos=DO23.IXM%00%3Cimg+src%3Dx%3E&formato=prn",
       {},
       cgiHead + "Arquivo invalido: DO23.IXM" + std::string(1, '\0') +
           "&lt;img+src=x&gt;\r\n<H2>Nenhum registro selecionado</H2>\r\n</BODY></HTML>",
       0},
      {"reader message naming a data file with markup",
       "vorlexcgi",
       {"t"},
       {{"dados/DO<b>\"23.dbf", std::string("\x03\x7c\x01", 3)}},
       "Linha=Municipio&Incremento=Obitos&Arquivos=DO%3Cb%3E%2223.dbf",
       {},
       cgiHead + "OpenDBF:dados/DO&lt;b&gt;&quot;23.dbf cabe\xE7"
                 "alho inv\xE1lido!\r\n",
       1},
      {"engine message naming a data file with markup",
       "vorlexcgi",
       {"t"},
       {{"dados/DO<i>23.dbf", tableText("CODMUN C 6\n110001\n")}},
       "Linha=Sexo&Incremento=Obitos&Arquivos=DO%3Ci%3E23.dbf&formato=prn",
       {},
       cgiHead + "SEXO nao encontrado em dados/DO&lt;i&gt;23.dbf\r\n"
                 "<H2>Nenhum registro selecionado</H2>\r\n</BODY></HTML>",
       0},
      {"posted file name with a NUL and a digit",
       "vorlexcgi",
       {"t"},
       {},
       "Linha=Sexo&Incremento=Obitos&Arquivos=DO23.dbf%001&formato=prn",
       {},
       cgiHead + "Arquivo invalido: DO23.dbf" + std::string(1, '\0') +
           "1\r\n<H2>Nenhum registro selecionado</H2>\r\n</BODY></HTML>",
       0},
      [&] {
        const std::string body =
            "Linha=Sexo&Incremento=Obitos&Arquivos=DO23.dbf&Arquivos=do23.DBF&Arquivos=DO23.dbf%00"
            "&formato=prn";
        return BadInput{"one data file named three ways counts once",
                        "vorlexcgi",
                        {"t"},
                        {},
                        body,
                        {},
                        cgiHead + "Arquivo invalido: DO23.dbf" + std::string(1, '\0') +
                            "\r\n<H2>Obitos de teste</H2>\r\n<b>Obitos segundo Sexo</b><br>\r\n"
                            "<b>Per&iacute;odo:</b> 2023<P>\r\n" +
                            prnTable("\"Sexo\";\"Obitos\"\r\n\"Masculino\";3\r\n"
                                     "\"Feminino\";3\r\n\"Total\";6\r\n"),
                        0,
                        {},
                        {},
                        {{"csv/vorlex2403.log", logLine("", body.size(), 1)}}};
      }(),
      [&] {
        const std::string body = "Linha=Sexo&Incremento=Obitos&Arquivos=DO23.dbf&formato=prn";
        return BadInput{
            "request text with bars and control characters in the log",
            "vorlexcgi",
            {"t"},
            {},
            body,
            {"QUERY_STRING=t|x\r\nF forged", "HTTP_USER_AGENT=Agent|1.0\t\x7F"},
            cgiHead +
                "<H2>Obitos de teste</H2>\r\n<b>Obitos segundo Sexo</b><br>\r\n"
                "<b>Per&iacute;odo:</b> 2023<P>\r\n" +
                prnTable("\"Sexo\";\"Obitos\"\r\n\"Masculino\";3\r\n"
                         "\"Feminino\";3\r\n\"Total\";6\r\n"),
            0,
            {},
            {},
            {{"csv/vorlex2403.log", logLine("t!x  F forged", body.size(), 1, "Agent!1.0  ")}}};
      }(),
      {"processor time bound",
       "vorlexcgi",
       {"t"},
       endlessIndex(20000, 50000),
       kSmallSiteBody,
       {"VORLEX_CPU_SECONDS=1"},
       cgiHead + "<H2>A tabula\xE7\xE3o passou de 1 segundo e foi interrompida: escolha menos "
                 "per\xEDodos ou conte\xFA"
                 "dos, ou selecione categorias</H2>\r\n</BODY></HTML>",
       1},

      // Index builder: record numbers past the columns of the index.
      {"record count beyond the index columns",
       "seriak",
       {"CODMUN", "dados/DO*.dbf"},
       {{"dados/DO23.dbf", tableText("CODMUN C 6, SEXO C 1\n@records 100000000\n110001|1\n")}},
       "",
       {},
       "***** Registros demais para o indice!\r\n"
       "   1 dados/DO23.dbf:100000000 arquivo indice removido!\r\n"
       "   2 dados/DO24.dbf:6\r\n",
       0,
       {},
       {"dados/DO24.IXM"},
       {},
       {"dados/DO23.IXM"}},

      // Index builder: a full disk while the index is written leaves the existing good index
      // as it was and no temporary file.
      {"full disk when writing an index",
       "seriak",
       {"CODMUN", "dados/DO*.dbf"},
       {{"dados/DO23.dbf", manyCodesTable()}},
       "",
       {},
       "Erro: falha ao gravar arquivo\r\n",
       1,
       {1000, false}},
      // Column files: likewise, no temporary file and the old column file as it was.
      {"full disk when writing a column file",
       "seriak",
       {"-C", "dados/DO*.dbf"},
       {{"dados/DO23.dbf", manyCodesTable()}, {"dados/DO23.COL", "old"}},
       "",
       {},
       "Erro: dados/DO23.COL.{RANDOM}.tmp n\xE3o pode ser gravado\r\n",
       1,
       {1000, false}},
  };
#ifndef __SANITIZE_ADDRESS__
  // The sanitizer maps terabytes of shadow memory: no address-space limit fits it.
  inputs.push_back({"allocation failure",
                    "vorlexcgi",
                    {"t"},
                    {},
                    std::string(15000000, 'x'),
                    {},
                    kCgiHeader + "Excedeu mem\xF3ria\r\n",
                    1,
                    {std::nullopt, false, 12 << 20}});
#endif
  return inputs;
}

class BadInputTest : public testing::TestWithParam<BadInput> {};

TEST_P(BadInputTest, ExactAnswerAndNothingHalfWritten) {
  const BadInput& input = GetParam();
  const std::string site = tempDirectory() + "site";
  writeSmallSite(site);
  fs::create_directory(site + "/csv");
  for (const auto& [path, bytes] : input.changes) {
    if (bytes) {
      writeFileBytes(site + "/" + path, *bytes);
    } else {
      fs::remove(site + "/" + path);
    }
  }
  // The data file and its index were written before the changes; keep the index current.
  fs::last_write_time(site + "/dados/DO23.IXM",
                      fs::file_time_type::clock::now() + std::chrono::seconds(4));
  if (input.limits.unprivileged) {
    for (const auto& entry : fs::recursive_directory_iterator(site)) {
      fs::permissions(entry.path(), entry.is_directory() ? fs::perms(0755) : fs::perms(0644));
    }
    fs::permissions(site, fs::perms(0755));
    fs::permissions(site + "/csv", fs::perms(0555));
  }
  auto before = snapshot(site);

  const ProgramRun run =
      runProgram(programPath(input.program), input.arguments, cgiEnvironment(input), input.body,
                 site, applying(input.limits));

  EXPECT_TRUE(matchesExpected(input.expected, run.output))
      << "expected:\n"
      << visible(input.expected) << "\nactual:\n"
      << visible(run.output);
  EXPECT_EQ(run.status, input.status);
  auto after = snapshot(site);
  for (const auto& [pattern, bytes] : input.leaves) {
    const auto found = std::find_if(after.begin(), after.end(), [&](const auto& file) {
      return matchesExpected(pattern, file.first);
    });
    EXPECT_TRUE(found != after.end()) << pattern << " was not left";
    if (found == after.end()) continue;
    EXPECT_TRUE(matchesExpected(bytes, found->second)) << found->first << ":\n"
                                                       << visible(found->second);
    after.erase(found);
  }
  std::erase_if(after, [&](const auto& file) {
    return std::any_of(input.mayAdd.begin(), input.mayAdd.end(), [&](const std::string& pattern) {
      return matchesExpected(pattern, file.first);
    });
  });
  for (const std::string& path : input.removes) {
    EXPECT_EQ(0u, after.count(path)) << path << " was not removed";
    before.erase(path);
  }
  for (const auto& [path, bytes] : before) {
    const auto found = after.find(path);
    EXPECT_TRUE(found != after.end() && found->second == bytes)
        << path << " was changed or removed";
  }
  for (const auto& [path, bytes] : after) {
    EXPECT_TRUE(before.count(path) == 1) << path << " was left by the run";
  }
}

std::string caseName(const testing::TestParamInfo<BadInput>& info) {
  std::string name;
  for (char c : info.param.name) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name;
}

INSTANTIATE_TEST_SUITE_P(Cases, BadInputTest, testing::ValuesIn(badInputs()), caseName);

}  // namespace
