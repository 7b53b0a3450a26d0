// Writes the fuzz targets' seed inputs from the small test site and from the end-to-end
// fixtures of tests/golden/: every
// table (text form turned into DBF bytes), conversion file, definition and posted body, and one
// whole-site request per vorlexcgi case, in the layouts the targets read.
//   make_seeds <tests/golden folder> <corpus folder>
#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>

#include "column_writer.h"
#include "harness.h"
#include "small_site.h"
#include "test_dbf.h"

namespace fs = std::filesystem;

namespace {

const std::string kSeparator = "\n-----\n";

std::string readAll(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

int seedCount = 0;

void writeSeed(const fs::path& corpus, const std::string& target, const std::string& bytes) {
  if (bytes.size() > 256 * 1024) return;  // large fixtures slow the runs more than they teach
  fs::create_directories(corpus / target);
  std::ofstream(corpus / target / ("fixture-" + std::to_string(++seedCount)), std::ios::binary)
      << bytes;
}

bool endsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::string lowered(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

// The case's inputs by path relative to the case folder, tables as DBF bytes.
std::map<std::string, std::string> caseFiles(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (!entry.is_regular_file()) continue;
    std::string path = fs::relative(entry.path(), folder).generic_string();
    if (path == "command" || path == "env" || path == "stdin" || path == "mask" ||
        path.rfind("expected/", 0) == 0) {
      continue;
    }
    std::string bytes = readAll(entry.path());
    if (endsWith(path, ".dbf.txt")) {
      TestDbf table;
      std::string error;
      if (!parseTestDbfText(bytes, table, error)) continue;
      bytes = table.bytes();
      path.resize(path.size() - 4);
    }
    files[path] = bytes;
  }
  return files;
}

// A data file and the column file the writer makes of it, written with the modification time
// the column file target gives its data file. Only tables the reader opens may come here.
void columnSeed(const fs::path& corpus, const std::string& dbfBytes) {
  const fs::path folder = corpus / "column-scratch";
  fs::create_directories(folder);
  const std::string dataPath = (folder / "t.dbf").string();
  std::ofstream(dataPath, std::ios::binary) << dbfBytes;
  const timespec times[2] = {kFuzzDataTime, kFuzzDataTime};
  utimensat(AT_FDCWD, dataPath.c_str(), times, 0);
  DbfTable table;
  std::uint64_t size = 0;
  if (!OpenDBF(table, dataPath) && !writeColumnFile(table, dataPath, size)) {
    writeSeed(corpus, "column_file_fuzz", dbfBytes + kSeparator + readAll(folder / "t.COL"));
  }
  fs::remove_all(folder);
}

// The small site of the tests, whole, with a few posts, and its parts for the other targets.
void smallSiteSeeds(const fs::path& corpus) {
  const auto files = smallSiteFiles();
  std::string site;
  for (const auto& [path, bytes] : files) site += kSeparator + path + "\n" + bytes;
  const std::string csvSite = site + kSeparator + "csv/.keep\n";
  const std::string bodies[] = {
      kSmallSiteBody,
      "Linha=Faixa_de_custo&Coluna=Idade&Incremento=Custo&Periodo=2U&formato=pre&opcoes=ordenar",
      "Linha=Municipio&Coluna=--N%E3o-Ativa--&Incremento=Obitos&Incremento=Custo_medio"
      "&Incremento=Populacao&Arquivos=DO24.dbf&SSexo=2&formato=prn&zeradas=exibirlz",
      "Linha=Sexo&Incremento=Percentual&Periodo=23,24&formato=caderno",
      "Linha=Municipio&Coluna=Sexo&Incremento=Obitos&Arquivos=..%2Ft.def&SMunicipio=9"};
  for (const std::string& body : bodies) {
    writeSeed(corpus, "request_fuzz", std::string(1, '\x00') + body + kSeparator + "t" + site);
    writeSeed(corpus, "request_fuzz", std::string(1, '\x00') + body + kSeparator + "t" + csvSite);
    writeSeed(corpus, "request_fuzz", std::string(1, '\x01') + body + kSeparator + "t" + csvSite);
    // Read through column files.
    writeSeed(corpus, "request_fuzz", std::string(1, '\x03') + body + kSeparator + "t" + site);
    writeSeed(corpus, "definition_fuzz", body + kSeparator + files.at("t.def") + site);
    writeSeed(corpus, "form_input_fuzz", std::to_string(body.size()) + "\n" + body);
  }
  // The same site on the modern page, with a request it refuses and one it answers.
  std::string modernSite;
  for (const auto& [path, bytes] : files) {
    modernSite += kSeparator + path + "\n" + bytes + (path == "t.def" ? "OHTML5\r\n" : "");
  }
  for (const char* body : {"Linha=Sexo&Coluna=Sexo&listas=SSexo&formato=table", kSmallSiteBody}) {
    writeSeed(
        corpus, "request_fuzz",
        std::string(1, '\x00') + body + kSeparator + "t" + modernSite + kSeparator + "csv/.keep\n");
  }
  writeSeed(corpus, "periods_fuzz",
            std::string(1, '\x00') + "DO*.dbf" + kSeparator + "2U,23" + kSeparator +
                "DO23.dbf\nDO24.dbf\nDO9601.DBF\ndo99.dbf" + kSeparator + "23\n9611\n9612\n9701");
  writeSeed(corpus, "periods_fuzz",
            std::string(1, '\x02') + "X?.dbf" + kSeparator + "9,0" + kSeparator +
                "X49.dbf\nX50.dbf\nXab.dbf" + kSeparator + "9601\n9602\n9603");
  for (const auto& [path, bytes] : files) {
    if (path.size() > 4 && path.compare(path.size() - 4, 4, ".cnv") == 0) {
      writeSeed(corpus, "conversion_fuzz",
                std::string(1, '\x00') + "CODMUN,1" + kSeparator + bytes + kSeparator + kSeparator +
                    "110001\n1\n034\n12.50\n  7\nA01\n529000");
    }
  }
  // Tables: the site's, and header variants the reader treats apart.
  TestDbf table;
  std::string error;
  const std::string variants[] = {
      "CODMUN C 6, NOME C 20\n@version 0x30\n355030|S\\xE3o Paulo\n*110001|apagado\n",
      "CODMUN C 6, PESO N 6 2\n@version 0x83\n@records 9\n@endMark off\n1|1.5\n2|2\n",
      "codmun C 6, CODMUN C 2\n@date 50 12 31\n@trailing 12345\n1|2\n",
      "A C 1\n@recordLength 3\n@headerLength 97\nx\ny\n"};
  for (const std::string& text : variants) {
    if (!parseTestDbfText(text, table = TestDbf{}, error)) continue;
    writeSeed(corpus, "dbf_table_fuzz", table.bytes());
    columnSeed(corpus, table.bytes());
    writeSeed(corpus, "conversion_fuzz",
              std::string(1, '\x12') + "CODMUN,NOME,codmun" + kSeparator + table.bytes() +
                  kSeparator + files.at("dados/DO23.dbf") + kSeparator + "355030");
  }
  writeSeed(corpus, "dbf_table_fuzz", files.at("dados/DO23.dbf"));
  columnSeed(corpus, files.at("dados/DO23.dbf"));
  // Two-byte dictionary codes, one-byte ones and raw values, and a last record held in part.
  TestDbf codes{{{"CODMUN", 'C', 6}, {"SEXO", 'C', 1}, {"CUSTO", 'N', 8, 2}}, {}};
  for (int i = 0; i < 600; ++i) {
    codes.rows.push_back({std::to_string(110000 + i % 300), i % 2 ? "1" : "2", std::to_string(i)});
  }
  codes.endMark = false;
  const std::string codeBytes = codes.bytes();
  columnSeed(corpus, codeBytes);
  columnSeed(corpus, codeBytes.substr(0, codeBytes.size() - 3));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: make_seeds <tests/golden folder> <corpus folder>\n";
    return 2;
  }
  const fs::path golden = argv[1], corpus = argv[2];
  smallSiteSeeds(corpus);
  for (const auto& entry : fs::directory_iterator(golden)) {
    if (!fs::exists(entry.path() / "command")) continue;
    const std::string command = readAll(entry.path() / "command");
    const std::string env = readAll(entry.path() / "env");
    const std::string body = readAll(entry.path() / "stdin");
    const auto files = caseFiles(entry.path());

    std::string site;
    for (const auto& [path, bytes] : files) {
      const std::string name = lowered(path);
      if (endsWith(name, ".dbf")) {
        writeSeed(corpus, "dbf_table_fuzz", bytes);
        writeSeed(corpus, "conversion_fuzz",
                  std::string(1, '\x02') + "CODMUN,2" + kSeparator + bytes + kSeparator +
                      kSeparator + "01\n355030");
      } else if (endsWith(name, ".cnv")) {
        writeSeed(corpus, "conversion_fuzz",
                  std::string(1, '\x00') + "CODMUN,1" + kSeparator + bytes + kSeparator +
                      kSeparator + "01\n355030\nA01\n  7\n12.5");
      }
      site += kSeparator + path + "\n" + bytes;
    }
    if (!body.empty())
      writeSeed(corpus, "form_input_fuzz", std::to_string(body.size()) + "\n" + body);
    for (const auto& [path, bytes] : files) {
      if (endsWith(lowered(path), ".def")) {
        writeSeed(corpus, "definition_fuzz", body + kSeparator + bytes + site);
      }
    }
    std::istringstream words(command);
    std::string program, definition;
    words >> program >> definition;
    if (program == "vorlexcgi") {
      if (definition.size() >= 2 && definition.front() == '"')
        definition = definition.substr(1, definition.size() - 2);
      const bool posted = env.find("CONTENT_LENGTH=") != std::string::npos;
      writeSeed(corpus, "request_fuzz",
                std::string(1, posted ? '\x00' : '\x01') + body + kSeparator + definition + site);
    }
  }
  std::cout << seedCount << " seeds from " << golden << "\n";
  return 0;
}
