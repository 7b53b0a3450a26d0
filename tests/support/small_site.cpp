#include "small_site.h"

#include <filesystem>
#include <fstream>

#include "test_dbf.h"

std::string cnvLine(const std::string& rollUp, int category, const std::string& label,
                    const std::string& codes) {
  std::string line = rollUp;
  line.resize(3, ' ');
  std::string number = std::to_string(category);
  line += std::string(4 - number.size(), ' ') + number + "  " + label;
  line.resize(60, ' ');
  return line + codes + "\r\n";
}

namespace {

TestDbf yearTable(const std::string& year) {
  TestDbf table;
  table.fields = {{"CODMUN", 'C', 6},   {"SEXO", 'C', 1}, {"IDADE", 'C', 3},
                  {"CUSTO", 'N', 8, 2}, {"POP", 'N', 6},  {"ANO", 'C', 2}};
  table.rows = {
      {"110001", "1", "005", "12.50", "100", year}, {"110001", "2", "034", "7.25", "100", year},
      {"110001", "2", "071", "", "100", year},      {"355030", "1", "000", "100.00", "900", year},
      {"355030", "2", "019", "3", "900", year},     {"520870", "1", "045", "1.5", "300", year}};
  return table;
}

}  // namespace

const char* const kSmallSiteBody =
    "Linha=Municipio&Coluna=Sexo&Incremento=Obitos&Arquivos=DO23.dbf&Arquivos=DO24.dbf"
    "&SMunicipio=1&SMunicipio=2&formato=table&mostre=Tabular";

std::map<std::string, std::string> smallSiteFiles() {
  std::map<std::string, std::string> files;
  files["t.def"] =
      ";Obitos de teste\r\n"
      "Adados/DO*.dbf\r\n"
      "LMunicipio,CODMUN,1,munic.cnv\r\n"
      "TSexo,SEXO,1,sexo.cnv\r\n"
      "CIdade,IDADE,1,idade.cnv\r\n"
      "LFaixa_de_custo,CUSTO,1,custo.cnv\r\n"
      "SMunicipio,CODMUN,1,munic.cnv\r\n"
      "SSexo,SEXO,1,sexo.cnv\r\n"
      "IObitos,#\r\n"
      "ICusto,CUSTO\r\n"
      "ICusto_medio,CUSTO,#,1,2\r\n"
      "EPopulacao,POP,ANO\r\n"
      "%Percentual,#,SEXO\r\n"
      "H<H1>Obitos</H1>\r\n"
      "FFonte: teste\r\n"
      "RNota de rodap\xE9\r\n";
  files["munic.cnv"] = "4 6 L ; municipios\r\n" + cnvLine("", 1, "Porto Velho", "110001") +
                       cnvLine("", 2, "S\xE3o Paulo", "355030") +
                       cnvLine("", 3, "Goi\xE2nia", "520870") +
                       cnvLine("", 4, "Outros", "520871-529999");
  files["sexo.cnv"] =
      "2 1\r\n" + cnvLine("", 1, "Masculino", "1") + cnvLine("", 2, "Feminino", "2");
  files["idade.cnv"] = "3 3\r\n" + cnvLine("", 1, "0 a 19 anos", "000-019") +
                       cnvLine("", 2, "20 a 59 anos", "020-059") +
                       cnvLine("", 3, "60 anos e mais", "060-150");
  files["custo.cnv"] = "3 8 F\r\n" + cnvLine("", 1, "Ate 5", "5") + cnvLine("", 2, "Ate 50", "50") +
                       cnvLine("", 3, "Ate 500", "500");
  files["dados/DO23.dbf"] = yearTable("23").bytes();
  files["dados/DO24.dbf"] = yearTable("24").bytes();
  files["dados/DO23.IXM"] =
      "CODMUN\r\n"
      "110001       1       3\r\n"
      "355030       4       5\r\n"
      "520870       6       6\r\n";
  return files;
}

void writeSmallSite(const std::string& directory) {
  namespace fs = std::filesystem;
  const auto files = smallSiteFiles();
  fs::create_directories(fs::path(directory) / "dados");
  auto write = [&](const std::string& path, const std::string& bytes) {
    std::ofstream(fs::path(directory) / path, std::ios::binary) << bytes;
  };
  for (const auto& [path, bytes] : files) {
    if (path != "dados/DO23.IXM") write(path, bytes);
  }
  write("dados/DO23.IXM", files.at("dados/DO23.IXM"));
}
