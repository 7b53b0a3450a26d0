// Times formwright's page for a large definition: 10 selection dimensions, one of them with
// 5,600 categories, and 100 data files. The site is generated in a scratch directory (argument 1,
// default under /tmp) and the page goes to /dev/null; the figure printed is the median of the
// runs, reading the definition included.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "form_page.h"
#include "output.h"

namespace {

void writeFile(const std::string& path, const std::string& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    std::exit(1);
  }
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

// A conversion file of `count` categories with codes of `width` digits, one code each.
std::string conversion(int count, int width) {
  std::string text = std::to_string(count) + " " + std::to_string(width) + "\r\n";
  char line[160];
  for (int k = 1; k <= count; ++k) {
    std::snprintf(line, sizeof line, "   %4d  %-50s %0*d\r\n", k,
                  ("Categoria n\xFAmero " + std::to_string(k)).c_str(), width, k);
    text += line;
  }
  return text;
}

void makeSite(const std::string& directory) {
  std::filesystem::create_directories(directory + "/dados");
  for (int year = 0; year < 100; ++year) {
    char name[32];
    std::snprintf(name, sizeof name, "/dados/DO%02d.DBF", year);
    writeFile(directory + name, "");
  }
  std::string definition = ";Mortalidade - benchmark\r\nAdados/DO*.DBF\r\nOCSS=/css/a.css\r\n";
  definition +=
      "LMunic\xEDpio,CODMUN,1,munic.cnv\r\nTSexo,SEXO,1,s1.cnv\r\nI\xD3"
      "bitos,#\r\n";
  writeFile(directory + "/munic.cnv", conversion(5600, 4));
  definition += "SMunic\xEDpio,CODMUN,1,munic.cnv\r\n";
  for (int i = 1; i <= 9; ++i) {
    const std::string file = "s" + std::to_string(i) + ".cnv";
    writeFile(directory + "/" + file, conversion(10 * i, 2));
    definition += "SSele\xE7\xE3o " + std::to_string(i) + ",CAMPO" + std::to_string(i) + ",1," +
                  file + "\r\n";
  }
  writeFile(directory + "/bench.def", definition);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string directory = argc > 1 ? argv[1] : "/tmp/formwright_bench";
  makeSite(directory);
  std::filesystem::current_path(directory);
  std::FILE* console = fdopen(dup(fileno(stdout)), "wb");
  if (std::freopen("/dev/null", "wb", stdout) == nullptr) return 1;
  std::vector<double> times, cpuTimes;
  for (int run = 0; run < 21; ++run) {
    const auto start = std::chrono::steady_clock::now();
    const std::clock_t cpuStart = std::clock();
    SelectionForm form = newSelectionForm("bench.def");
    if (readSelectionForm(form, "bench.def") || writeSelectionForm(form)) return 1;
    std::fflush(stdout);
    times.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count());
    cpuTimes.push_back(1000.0 * static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC);
  }
  std::sort(times.begin(), times.end());
  std::sort(cpuTimes.begin(), cpuTimes.end());
  // The processor time tells the program's own cost when the machine is shared.
  char report[160];
  std::snprintf(report, sizeof report,
                "formwright page: wall median %.2f ms, best %.2f ms; processor median %.2f ms "
                "(%zu runs)",
                times[times.size() / 2], times.front(), cpuTimes[cpuTimes.size() / 2],
                times.size());
  writeLine(console, report);
  return 0;
}
