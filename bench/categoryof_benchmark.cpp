// Cost of classifying one record (categoryOf) for each mapping kind, and of loading a
// municipality-sized conversion file. categoryOf runs once per record and dimension, so it
// sets the pace of every tabulation.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "conversion.h"
#include "text_helpers.h"

namespace {

constexpr int kMunicipalities = 5600;
constexpr int kRangeCategories = 27;  // one "municipality unknown" range per state

std::string scratchPath(const std::string& name) {
  return "/tmp/categoryof-bench-" + std::to_string(::getpid()) + "-" + name;
}

std::string dataLine(int category, const std::string& label, const std::string& codes) {
  char head[24];
  std::snprintf(head, sizeof head, "%3d%4d  ", category % 27 + 11, category);
  std::string label50 = label;
  label50.resize(50, ' ');
  return head + label50 + " " + codes;
}

void writeFile(const std::string& path, const std::vector<std::string>& lines) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  for (const std::string& line : lines) {
    std::fputs(line.c_str(), file);
    std::fputs("\r\n", file);
  }
  std::fclose(file);
}

Dimension load(const std::string& name, const std::vector<std::string>& lines) {
  const std::string path = scratchPath(name);
  writeFile(path, lines);
  Dimension dimension;
  const Status failure =
      loadDimension(normalizeDimensionLine("LDimensao,campo,1," + path), 5701, dimension);
  std::remove(path.c_str());
  if (failure) std::abort();
  return dimension;
}

// Six-digit municipality codes: two digits of state, four of municipality, in ascending order.
std::vector<std::string> municipalityCodes() {
  std::vector<std::string> codes;
  const int perState = (kMunicipalities - kRangeCategories) / kRangeCategories + 1;
  for (int state = 0; state < kRangeCategories &&
                      static_cast<int>(codes.size()) < kMunicipalities - kRangeCategories;
       ++state) {
    for (int m = 0;
         m < perState && static_cast<int>(codes.size()) < kMunicipalities - kRangeCategories; ++m) {
      char code[24];  // room for any two ints: the codes themselves are six digits
      std::snprintf(code, sizeof code, "%02d%04d", 11 + state * 2, 10 + m * 7);
      codes.push_back(code);
    }
  }
  return codes;
}

std::vector<std::string> municipalityFile() {
  std::vector<std::string> lines = {std::to_string(kMunicipalities) + " 6"};
  const std::vector<std::string> codes = municipalityCodes();
  int category = 0;
  for (const std::string& code : codes) {
    lines.push_back(dataLine(++category, "Munic\xEDpio " + code, code));
  }
  for (int state = 0; state < kRangeCategories; ++state) {
    char range[16];
    std::snprintf(range, sizeof range, "%02d9000-%02d9999", 11 + state * 2, 11 + state * 2);
    lines.push_back(dataLine(++category, "Ignorado do estado", range));
  }
  return lines;
}

// Records of a data file sorted by municipality: each code repeats a few to a few hundred
// times; one record in fifty carries an unknown municipality of the same state.
std::vector<std::string> sortedStream() {
  std::mt19937 random(7);
  std::geometric_distribution<int> repeats(1.0 / 60);
  std::vector<std::string> stream;
  for (const std::string& code : municipalityCodes()) {
    const int count = 1 + repeats(random);
    for (int i = 0; i < count; ++i) {
      stream.push_back(random() % 50 == 0 ? code.substr(0, 2) + "9999" : code);
    }
  }
  return stream;
}

void kindZeroWidthTwo(benchmark::State& state) {
  std::vector<std::string> lines = {"20 2"};
  for (int c = 1; c <= 20; ++c) {
    char codes[16];
    std::snprintf(codes, sizeof codes, "%02d-%02d", (c - 1) * 5, (c - 1) * 5 + 4);
    lines.push_back(dataLine(c, "Grupo", codes));
  }
  const Dimension dimension = load("kind0.cnv", lines);
  std::mt19937 random(3);
  std::vector<std::string> stream;
  for (int i = 0; i < 4096; ++i) {
    char code[4];
    std::snprintf(code, sizeof code, "%02u", static_cast<unsigned>(random() % 100));
    stream.push_back(code);
  }
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(categoryOf(dimension, stream[i]));
    i = (i + 1) & 4095;
  }
}
BENCHMARK(kindZeroWidthTwo);

void kindOneSortedStream(benchmark::State& state) {
  const Dimension dimension = load("kind1.cnv", municipalityFile());
  const std::vector<std::string> stream = sortedStream();
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(categoryOf(dimension, stream[i]));
    if (++i == stream.size()) i = 0;
  }
}
BENCHMARK(kindOneSortedStream);

// The same table with no two neighbouring records alike: every call searches the dictionary.
void kindOneShuffledStream(benchmark::State& state) {
  const Dimension dimension = load("kind1.cnv", municipalityFile());
  std::vector<std::string> stream = municipalityCodes();
  std::shuffle(stream.begin(), stream.end(), std::mt19937(11));
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(categoryOf(dimension, stream[i]));
    if (++i == stream.size()) i = 0;
  }
}
BENCHMARK(kindOneShuffledStream);

void kindTwoTwentyBounds(benchmark::State& state) {
  std::vector<std::string> lines = {"20 3 F"};
  for (int c = 1; c <= 20; ++c) {
    char bound[8];
    std::snprintf(bound, sizeof bound, "%3d", c * 5 - 1);
    lines.push_back(dataLine(c, "Faixa et\xE1ria", bound));
  }
  const Dimension dimension = load("kind2.cnv", lines);
  std::mt19937 random(5);
  std::vector<std::string> stream;
  for (int i = 0; i < 4096; ++i) {
    char age[8];
    std::snprintf(age, sizeof age, "%3u", static_cast<unsigned>(random() % 100));
    stream.push_back(age);
  }
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(categoryOf(dimension, stream[i]));
    i = (i + 1) & 4095;
  }
}
BENCHMARK(kindTwoTwentyBounds);

void loadMunicipalityFile(benchmark::State& state) {
  const std::string path = scratchPath("load.cnv");
  writeFile(path, municipalityFile());
  const std::string line = normalizeDimensionLine("LMunicipio,codmun,1," + path);
  for (auto _ : state) {
    Dimension dimension;
    if (loadDimension(line, 5701, dimension)) std::abort();
    benchmark::DoNotOptimize(dimension.categoryCount);
  }
  std::remove(path.c_str());
}
BENCHMARK(loadMunicipalityFile)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
