// Benchmark site for the tabulator: `vorlex_site generate DIR RECORDS FILES` writes FILES yearly
// data files (150-byte records sorted by a six-character municipality code, with their
// municipality indexes), the conversion files, the definition (plain, and protected as
// obitos_sigilo) and one query per case (50 million records in 5 files make 7.5 GB);
// `vorlex_site floor FILE...` reads the files in 1 MiB blocks touching one byte per record, the
// least any tabulator must do, and prints the records and the seconds it took;
// `vorlex_site evict FILE...` drops the files from the page cache.
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kMunicipalities = 5600;
constexpr int kRecordLength = 150;
const char* const kEnd = "\r\n";

struct Field {
  const char* name;
  char type;
  int length, decimals;
};
const Field kFields[] = {{"CODMUNRES", 'C', 6, 0}, {"SEXO", 'C', 1, 0},     {"IDADE", 'N', 3, 0},
                         {"DTOBITO", 'C', 8, 0},   {"CAUSABAS", 'C', 4, 0}, {"PESO", 'N', 8, 2},
                         {"POP", 'N', 7, 0},       {"OBS", 'C', 112, 0}};
constexpr int kFieldCount = sizeof kFields / sizeof kFields[0];

std::uint64_t state = 88172645463325252ULL;
std::uint64_t nextRandom() {
  state ^= state << 13;
  state ^= state >> 7;
  state ^= state << 17;
  return state;
}
double unitRandom() { return static_cast<double>(nextRandom() >> 11) / 9007199254740992.0; }

std::string municipalityCode(int k) { return std::to_string(110001 + k * 152); }

void writeFile(const std::string& path, const std::string& text) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    std::perror(path.c_str());
    std::exit(1);
  }
  std::fwrite(text.data(), 1, text.size(), file);
  std::fclose(file);
}

std::string padded(const std::string& text, int width, bool right) {
  if (static_cast<int>(text.size()) >= width) return text.substr(0, width);
  const std::string fill(width - text.size(), ' ');
  return right ? fill + text : text + fill;
}

// One data file of `records` records sorted by municipality, and its index.
void writeDataFile(const std::string& directory, const std::string& name, int year,
                   std::int64_t records) {
  std::vector<std::int64_t> counts(kMunicipalities, 0);
  for (std::int64_t i = 0; i < records; ++i) {
    const double u = unitRandom();
    ++counts[static_cast<int>(u * u * kMunicipalities)];
  }
  std::string header(32, '\0');
  header[0] = 0x03;
  header[1] = static_cast<char>(year % 100 + 100);
  header[2] = 12;
  header[3] = 31;
  const std::uint32_t count = static_cast<std::uint32_t>(records);
  std::memcpy(&header[4], &count, 4);
  const std::uint16_t headerLength = 32 + 32 * kFieldCount + 1, recordLength = kRecordLength;
  std::memcpy(&header[8], &headerLength, 2);
  std::memcpy(&header[10], &recordLength, 2);
  for (const Field& field : kFields) {
    std::string descriptor(32, '\0');
    std::memcpy(&descriptor[0], field.name, std::strlen(field.name));
    descriptor[11] = field.type;
    descriptor[16] = static_cast<char>(field.length);
    descriptor[17] = static_cast<char>(field.decimals);
    header += descriptor;
  }
  header += '\r';

  std::FILE* file = std::fopen((directory + "/" + name + ".DBF").c_str(), "wb");
  std::FILE* index = std::fopen((directory + "/" + name + ".IXM").c_str(), "wb");
  if (file == nullptr || index == nullptr) {
    std::perror(name.c_str());
    std::exit(1);
  }
  std::fwrite(header.data(), 1, header.size(), file);
  std::fprintf(index, "CODMUNRES%s", kEnd);
  std::vector<char> buffer;
  buffer.reserve(1 << 20);
  std::int64_t recordNumber = 0;
  char record[512];  // room for any value; the first kRecordLength bytes are the record
  for (int k = 0; k < kMunicipalities; ++k) {
    if (counts[k] == 0) continue;
    const std::string code = municipalityCode(k);
    std::fprintf(index, "%-6s%8lld%8lld%s", code.c_str(), static_cast<long long>(recordNumber + 1),
                 static_cast<long long>(recordNumber + counts[k]), kEnd);
    for (std::int64_t i = 0; i < counts[k]; ++i) {
      const std::uint64_t r = nextRandom();
      auto part = [r](int shift, unsigned range) { return static_cast<int>((r >> shift) % range); };
      std::snprintf(record, sizeof record, " %s%c%3d%04d%02d%02d%c%02d%c%8.2f%7d%-112.112s",
                    code.c_str(), r % 2 ? '1' : '2', part(8, 100), year, part(16, 12) + 1,
                    part(20, 28) + 1, 'A' + part(24, 26), part(30, 100), '0',
                    part(34, 500000) / 100.0, 1000 + part(44, 90000), "observacao");
      buffer.insert(buffer.end(), record, record + kRecordLength);
      if (buffer.size() >= (1 << 20) - kRecordLength) {
        std::fwrite(buffer.data(), 1, buffer.size(), file);
        buffer.clear();
      }
    }
    recordNumber += counts[k];
  }
  buffer.push_back(0x1A);
  std::fwrite(buffer.data(), 1, buffer.size(), file);
  std::fclose(file);
  std::fclose(index);
}

std::string conversionLine(int category, const std::string& label, const std::string& codes) {
  return "   " + padded(std::to_string(category), 4, true) + "  " + padded(label, 50, false) + " " +
         codes + kEnd;
}

void writeSite(const std::string& directory, std::int64_t records, int files) {
  const std::string data = directory + "/dados";
  std::string municipalities = std::to_string(kMunicipalities) + " 6 L" + kEnd;
  for (int k = 0; k < kMunicipalities; ++k) {
    municipalities +=
        conversionLine(k + 1, "Municipio_" + std::to_string(k + 1), municipalityCode(k));
  }
  writeFile(directory + "/munic.cnv", municipalities);
  writeFile(directory + "/sexo.cnv", std::string("2 1") + kEnd + conversionLine(1, "Masc", "1") +
                                         conversionLine(2, "Fem", "2"));
  writeFile(directory + "/faixa.cnv",
            std::string("5 3") + kEnd + conversionLine(1, "0-14", "000-014") +
                conversionLine(2, "15-29", "015-029") + conversionLine(3, "30-49", "030-049") +
                conversionLine(4, "50-69", "050-069") + conversionLine(5, "70+", "070-150"));
  std::string months = std::string("12 2") + kEnd, chapters = std::string("26 1") + kEnd;
  for (int m = 1; m <= 12; ++m) {
    const std::string code = (m < 10 ? "0" : "") + std::to_string(m);
    months += conversionLine(m, "Mes_" + code, code);
  }
  for (int c = 0; c < 26; ++c) {
    chapters += conversionLine(c + 1, std::string("Capitulo_") + char('A' + c),
                               std::string(1, char('A' + c)));
  }
  writeFile(directory + "/mes.cnv", months);
  writeFile(directory + "/capitulo.cnv", chapters);
  const std::string definition =
      std::string(";Obitos") + kEnd + "Adados/DO??.DBF" + kEnd + "LMunicipio,CODMUNRES,munic.cnv" +
      kEnd + "TSexo,SEXO,sexo.cnv" + kEnd + "SFaixa,IDADE,faixa.cnv" + kEnd +
      "SMunicipios,CODMUNRES,munic.cnv" + kEnd + "SMes,DTOBITO,5,mes.cnv" + kEnd +
      "SCapitulo,CAUSABAS,capitulo.cnv" + kEnd + "IObitos,#" + kEnd + "IPeso,PESO" + kEnd +
      "ITaxa,PESO,POP,1000,2" + kEnd;
  writeFile(directory + "/obitos.def", definition);
  // The same tabulation with small counts suppressed and unreliable rates flagged.
  writeFile(directory + "/obitos_sigilo.def",
            definition + "OSIGILO=5" + kEnd + "OINSTAVEL=20" + kEnd);
  // The same tabulation on the modern page, to time one against the other.
  writeFile(directory + "/obitos5.def", definition + "OHTML5" + kEnd);

  std::string allFiles;
  for (int f = 0; f < files; ++f) {
    const int year = 1996 + f;
    char name[16];
    std::snprintf(name, sizeof name, "DO%02d", year % 100);
    writeDataFile(data, name, year, records / files);
    allFiles += std::string("&Arquivos=") + name + ".DBF";
  }
  const std::string ages = "&SFaixa=2&SFaixa=3&SFaixa=4";
  const std::string fiveTowns =
      "&SMunicipios=10&SMunicipios=500&SMunicipios=1500&SMunicipios=3000&SMunicipios=5000";
  writeFile(directory + "/query_a.txt",
            "Linha=Municipio&Coluna=Sexo&Incremento=Obitos&formato=table" + ages + allFiles + kEnd);
  writeFile(directory + "/query_b.txt",
            "Linha=Municipio&Coluna=Sexo&Incremento=Obitos&formato=table" + ages + fiveTowns +
                allFiles + kEnd);
  writeFile(
      directory + "/query_c.txt",
      "Linha=Municipio&Coluna=--N\xE3o-Ativa--&Incremento=Peso&Incremento=Taxa&formato=table" +
          allFiles + kEnd);
  std::string halfYear, firstChapters;
  for (int m = 1; m <= 6; ++m) halfYear += "&SMes=" + std::to_string(m);
  for (int c = 1; c <= 13; ++c) firstChapters += "&SCapitulo=" + std::to_string(c);
  writeFile(directory + "/query_e.txt",
            "Linha=Municipio&Coluna=Sexo&Incremento=Obitos&formato=table" + ages + halfYear +
                firstChapters + allFiles + kEnd);
  writeFile(
      directory + "/query_d.txt",
      "Linha=Municipio&Coluna=--N\xE3o-Ativa--&Incremento=Obitos&formato=table&Arquivos=DO01.DBF" +
          std::string(kEnd));
  writeDataFile(data, "DO01", 2001, 2000);
}

// Drops the files' pages from the page cache (written back first, since dirty pages stay), so
// that the next read of them comes from the disk.
int evict(int argc, char** argv) {
  for (int i = 2; i < argc; ++i) {
    const int file = open(argv[i], O_RDONLY);
    if (file < 0 || fdatasync(file) != 0 || posix_fadvise(file, 0, 0, POSIX_FADV_DONTNEED) != 0) {
      std::perror(argv[i]);
      return 1;
    }
    close(file);
  }
  return 0;
}

int floorPass(int argc, char** argv) {
  const auto start = std::chrono::steady_clock::now();
  std::vector<char> buffer(1 << 20);
  std::int64_t records = 0;
  unsigned sum = 0;
  for (int i = 2; i < argc; ++i) {
    const int file = open(argv[i], O_RDONLY);
    if (file < 0) {
      std::perror(argv[i]);
      return 1;
    }
    unsigned char header[12] = {};
    if (pread(file, header, sizeof header, 0) != static_cast<ssize_t>(sizeof header)) return 1;
    std::int32_t fileRecords = 0;
    std::uint16_t headerLength = 0;
    std::memcpy(&fileRecords, header + 4, 4);
    std::memcpy(&headerLength, header + 8, 2);
    const std::int64_t end = headerLength + std::int64_t{fileRecords} * kRecordLength;
    std::int64_t position = 0, next = headerLength;
    ssize_t count = 0;
    while ((count = read(file, buffer.data(), buffer.size())) > 0) {
      for (; next < position + count && next < end; next += kRecordLength, ++records) {
        sum += static_cast<unsigned char>(buffer[next - position]);
      }
      position += count;
    }
    close(file);
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%lld %.4f %u%s", static_cast<long long>(records), seconds, sum % 2, kEnd);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 5 && std::string(argv[1]) == "generate") {
    const std::string directory = argv[2];
    std::system(("mkdir -p '" + directory + "/dados'").c_str());
    writeSite(directory, std::atoll(argv[3]), std::atoi(argv[4]));
    return 0;
  }
  if (argc >= 3 && std::string(argv[1]) == "floor") return floorPass(argc, argv);
  if (argc >= 3 && std::string(argv[1]) == "evict") return evict(argc, argv);
  std::fprintf(stderr,
               "usage: vorlex_site generate DIR RECORDS FILES | floor FILE... | evict FILE...%s",
               kEnd);
  return 2;
}
