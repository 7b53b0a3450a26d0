// The column path against the record path. Over many generated sites (dictionary and raw
// columns, indexes, selections, thresholds with unreadable values, blank records past the end,
// deleted records, files lacking a field, files with and without column files), every request
// gives the same page and the same copies, byte for byte, read record by record, from the column
// files on one thread, and from them over threads taking a few records at a time. Then what the
// planner leaves to the record path.
#include "column_scan.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "column_writer.h"
#include "engine.h"
#include "index_layout.h"
#include "page_flow.h"
#include "program_run.h"
#include "request_guards.h"
#include "small_site.h"
#include "test_dbf.h"
#include "test_paths.h"

namespace fs = std::filesystem;

namespace {

struct Random {
  std::mt19937_64 engine;
  int below(int n) { return static_cast<int>(engine() % static_cast<std::uint64_t>(n)); }
  bool chance(int percent) { return below(100) < percent; }
  template <typename T>
  const T& pick(const std::vector<T>& items) {
    return items[static_cast<std::size_t>(below(static_cast<int>(items.size())))];
  }
};

std::string digits(int value, int width) {
  std::string text = std::to_string(value);
  return std::string(static_cast<std::size_t>(std::max(0, width - static_cast<int>(text.size()))),
                     '0') +
         text;
}

std::string conversion(const std::string& header, const std::vector<std::string>& codes) {
  std::string text = header + "\r\n";
  for (std::size_t k = 0; k < codes.size(); ++k) {
    text += cnvLine("", static_cast<int>(k) + 1, "Categoria " + std::to_string(k + 1), codes[k]);
  }
  return text;
}

// What a generated site offers, for the requests.
struct SiteShape {
  std::map<std::string, std::string> files;  // written in this order: data files before indexes
  std::vector<std::string> dataNames;        // "DO21.dbf" ...
  std::vector<std::string> columnFiles;      // data files that get a column file
  int municipalities = 0, codes = 0;         // categories of munic.cnv and codigo.cnv
};

SiteShape generateSite(Random& random) {
  SiteShape site;
  const int pool = random.pick(std::vector<int>{3, 40, 300});
  std::vector<std::string> municipalities;
  for (int k = 0; k < pool; ++k) municipalities.push_back(std::to_string(110001 + 7 * k));
  const int codePool = random.pick(std::vector<int>{4, 5000});
  const bool badAges = random.chance(50);

  std::vector<std::string> listed;  // a few municipalities fall in no category
  for (const std::string& code : municipalities) {
    if (random.chance(85)) listed.push_back(code);
  }
  if (listed.empty()) listed.push_back(municipalities.front());
  site.municipalities = static_cast<int>(listed.size());
  site.files["munic.cnv"] = conversion(std::to_string(listed.size()) + " 6 L", listed);
  site.files["sexo.cnv"] = conversion("2 1", {"1", "2"});
  site.files["faixa.cnv"] = conversion("3 3", {"000-019", "020-059", "060-150"});
  site.files["idade.cnv"] = conversion("3 3 F", {"  9", " 49", "200"});
  site.files["parte.cnv"] = conversion("3 2", {"00-00", "01-01", "02-99"});
  std::vector<std::string> listedCodes;
  for (int k = 0; k < std::min(codePool, 30); ++k) listedCodes.push_back("A" + digits(k * 3, 9));
  site.codes = static_cast<int>(listedCodes.size());
  site.files["codigo.cnv"] = conversion(std::to_string(listedCodes.size()) + " 10 L", listedCodes);
  site.files["t.def"] = std::string(";Teste\r\nAdados/DO*.dbf\r\n") +
                        "LMunicipio,CODMUN,1,munic.cnv\r\nTSexo,SEXO,1,sexo.cnv\r\n"
                        "TFaixa,IDADE,1,faixa.cnv\r\nLIdade,IDADE,1,idade.cnv\r\n"
                        "TCodigo,CODIGO,1,codigo.cnv\r\nCParte,CODMUN,3,parte.cnv\r\n"
                        "SMunicipio,CODMUN,1,munic.cnv\r\nSSexo,SEXO,1,sexo.cnv\r\n"
                        "SIdade,IDADE,1,idade.cnv\r\nSCodigo,CODIGO,1,codigo.cnv\r\n"
                        "IObitos,#\r\nICusto,CUSTO\r\nICusto_medio,CUSTO,#,1,2\r\n"
                        "ITaxa,CUSTO,POP,1000,2\r\nIPopulacao,POP\r\n%Percentual,#,SEXO\r\n" +
                        (random.chance(30) ? "OSIGILO=3\r\n" : "");

  std::map<std::string, std::string> indexes;
  const int fileCount = 1 + random.below(3);
  for (int f = 0; f < fileCount; ++f) {
    const std::string name = "DO" + std::to_string(21 + f) + ".dbf";
    site.dataNames.push_back(name);
    TestDbf dbf;
    dbf.fields = {{"CODMUN", 'C', 6},   {"SEXO", 'C', 1},   {"IDADE", 'C', 3},
                  {"CUSTO", 'N', 9, 2}, {"POP", 'N', 7, 0}, {"OBS", 'C', 5}};
    const bool lacksCode = random.chance(10);
    if (!lacksCode) dbf.fields.push_back({"CODIGO", 'C', 10});
    const int records = random.pick(std::vector<int>{0, 1, 7, 60, 900, 2500});
    std::vector<std::pair<std::string, TestRow>> rows;
    for (int r = 0; r < records; ++r) {
      const int skewed = random.below(pool) * random.below(pool) / pool;
      const std::string municipality = municipalities[static_cast<std::size_t>(skewed)];
      std::string sex = random.chance(92) ? std::to_string(1 + random.below(2)) : "";
      if (random.chance(4)) sex = "9";
      std::string age = digits(random.below(111), 3);
      if (badAges && random.chance(3)) age = random.pick(std::vector<std::string>{"abc", "", "1x"});
      std::string cost =
          std::to_string(random.below(10000000) / 100) + "." + digits(random.below(100), 2);
      if (random.chance(8)) {
        cost = random.pick(std::vector<std::string>{"", "12abc", "1e3", "-5.5", "0.1"});
      }
      const std::string population =
          random.chance(97) ? std::to_string(1 + random.below(999999)) : "";
      TestRow row{municipality, sex, age, cost, population, "x"};
      if (!lacksCode) row.values.push_back("A" + digits(random.below(codePool) * 3, 9));
      if (random.chance(5)) row.mark = '*';
      rows.emplace_back(municipality, row);
    }
    const bool sorted = random.chance(50);
    if (sorted) {
      std::stable_sort(rows.begin(), rows.end(),
                       [](const auto& a, const auto& b) { return a.first < b.first; });
    }
    for (const auto& entry : rows) dbf.rows.push_back(entry.second);
    if (random.chance(20)) dbf.recordCount = records + 1 + random.below(50);
    site.files["dados/" + name] = dbf.bytes();
    if (sorted && random.chance(70)) {
      std::string index = "CODMUN\r\n";
      for (std::size_t r = 0; r < rows.size();) {
        std::size_t end = r;
        while (end < rows.size() && rows[end].first == rows[r].first) ++end;
        index += indexLine(rows[r].first, static_cast<std::int32_t>(r + 1),
                           static_cast<std::int32_t>(end)) +
                 "\r\n";
        r = end;
      }
      indexes["dados/DO" + std::to_string(21 + f) + ".IXM"] = index;
    }
    if (random.chance(80)) site.columnFiles.push_back("dados/" + name);
  }
  // Indexes last: an index older than its data file is not used.
  for (const auto& [path, bytes] : indexes) site.files["~" + path] = bytes;
  return site;
}

std::string generateQuery(Random& random, const SiteShape& site) {
  const std::vector<std::string> rows = {"Municipio", "Sexo", "Faixa", "Idade", "Codigo"};
  const std::vector<std::string> columns = {"Sexo", "Faixa", "Codigo", "Parte"};
  const std::vector<std::string> measures = {"Obitos", "Custo",     "Custo_medio",
                                             "Taxa",   "Populacao", "Percentual"};
  const std::string row = random.pick(rows);
  std::string column = random.chance(40) ? "" : random.pick(columns);
  if (column == row) column.clear();
  std::string query = "Linha=" + row + "&Coluna=" + (column.empty() ? "--N%E3o-Ativa--" : column);
  std::vector<std::string> chosen;
  const int wanted = column.empty() ? 1 + random.below(3) : 1;
  while (static_cast<int>(chosen.size()) < wanted) {
    const std::string measure = random.pick(measures);
    if (std::find(chosen.begin(), chosen.end(), measure) == chosen.end()) chosen.push_back(measure);
  }
  for (const std::string& measure : chosen) query += "&Incremento=" + measure;
  for (const std::string& name : site.dataNames) {
    if (site.dataNames.size() == 1 || random.chance(80)) query += "&Arquivos=" + name;
  }
  const struct {
    const char* name;
    int categories;
  } selections[] = {
      {"Municipio", site.municipalities}, {"Sexo", 2}, {"Idade", 3}, {"Codigo", site.codes}};
  for (const auto& selection : selections) {
    if (!random.chance(40)) continue;
    const int count = 1 + random.below(std::max(1, selection.categories / 2));
    for (int k = 0; k < count; ++k) {
      query += "&S" + std::string(selection.name) + "=" +
               std::to_string(1 + random.below(selection.categories));
    }
  }
  query += "&formato=" + random.pick(std::vector<std::string>{"table", "pre", "prn", "caderno"});
  if (random.chance(30)) query += "&opcoes=ordenar";
  if (random.chance(30)) query += "&zeradas=exibirlz";
  return query + "&mostre=Tabular";
}

void writeSite(const std::string& directory, const SiteShape& site, bool columnFiles) {
  fs::create_directories(directory + "/dados");
  fs::create_directories(directory + "/csv");
  for (const auto& [path, bytes] : site.files) {
    writeFileBytes(directory + "/" + (path[0] == '~' ? path.substr(1) : path), bytes);
  }
  if (!columnFiles) return;
  for (const std::string& path : site.columnFiles) {
    DbfTable table;
    ASSERT_FALSE(OpenDBF(table, directory + "/" + path));
    std::uint64_t size = 0;
    ASSERT_FALSE(writeColumnFile(table, directory + "/" + path, size)) << path;
  }
}

// Calls `body` with each site of the seeds first..last, written twice: without column files
// (`records`) and with them (`columns`).
void forGeneratedSites(int first, int last,
                       const std::function<void(Random&, const SiteShape&, const std::string&,
                                                const std::string&)>& body) {
  for (int seed = first; seed <= last; ++seed) {
    Random random{std::mt19937_64(static_cast<std::uint64_t>(seed))};
    const SiteShape site = generateSite(random);
    const std::string records = tempPath("records" + std::to_string(seed));
    const std::string columns = tempPath("columns" + std::to_string(seed));
    writeSite(records, site, false);
    writeSite(columns, site, true);
    body(random, site, records, columns);
    fs::remove_all(records);
    fs::remove_all(columns);
  }
}

// The page (copy names' random part masked) and each copy, by its masked name.
struct RequestResult {
  std::string page;
  std::map<std::string, std::string> copies;
};

RequestResult runRequestIn(const std::string& directory, const std::string& query,
                           const ThreadRule& rule) {
  writeFileBytes(directory + "/query.txt", query + "\r\n");
  for (const auto& entry : fs::directory_iterator(directory + "/csv")) fs::remove(entry.path());
  const ChildRun run = runInChild([&] {
    if (chdir(directory.c_str()) != 0) std::exit(99);
    unsetenv("CONTENT_LENGTH");
    unsetenv("QUERY_STRING");
    setenv("VORLEX_FIXED_TIME", "2024-03-05 10:11:12.345", 1);
    setenv("REMOTE_ADDR", "10.0.0.7", 1);
    TabulationState state;
    state.settings.threads = rule;
    char program[] = "vorlexcgi";
    char definition[] = "t";
    char* argv[] = {program, definition, nullptr};
    std::exit(runRequest(state, 2, argv));
  });
  const std::regex random("_[0-9a-f]{16}");
  RequestResult result;
  result.page =
      std::regex_replace(run.output, random, "_R") + "\nstatus " + std::to_string(run.status);
  for (const auto& entry : fs::directory_iterator(directory + "/csv")) {
    const std::string name = entry.path().filename().string();
    if (name[0] != 'A') continue;
    result.copies[std::regex_replace(name, random, "_R")] = readFileBytes(entry.path().string());
  }
  return result;
}

// A dimension of the generated site's definition, loaded as the tabulator loads it.
Dimension siteDimension(const std::string& directory, const std::string& field, int start,
                        const std::string& cnv) {
  Dimension dimension;
  const Status failure =
      loadDimension(normalizeDimensionLine("LDim," + field + "," + std::to_string(start) + "," +
                                           directory + "/" + cnv),
                    5700, dimension);
  EXPECT_FALSE(failure) << failure->text;
  return dimension;
}

struct DimensionChoice {
  const char* field;
  int start;
  const char* cnv;
};

// A request straight to the engine: random row, column, selections and measures over the site.
TabulationState engineRequest(Random& random, const std::string& directory, bool counting) {
  const std::vector<DimensionChoice> dimensions = {
      {"CODMUN", 1, "munic.cnv"}, {"SEXO", 1, "sexo.cnv"},     {"IDADE", 1, "faixa.cnv"},
      {"IDADE", 1, "idade.cnv"},  {"CODIGO", 1, "codigo.cnv"}, {"CODMUN", 3, "parte.cnv"}};
  auto load = [&](const DimensionChoice& choice) {
    return siteDimension(directory, choice.field, choice.start, choice.cnv);
  };
  TabulationState state;
  state.rowDimension = load(random.pick(dimensions));
  state.rowCount = state.rowDimension.categoryCount;
  state.columnActive = random.chance(50);
  if (state.columnActive) {
    state.columnDimension = load(random.pick(dimensions));
    state.columnCount = state.columnDimension.categoryCount;
  }
  // Measures: a count, a sum, a rate over a field, a rate over the count.
  const std::vector<std::pair<std::string, std::string>> measures = {
      {"#", ""}, {"CUSTO", ""}, {"CUSTO", "POP"}, {"CUSTO", "#"}, {"POP", ""}};
  state.measureCount = state.columnActive ? 1 : 1 + random.below(3);
  if (!state.columnActive) state.columnCount = state.measureCount;
  state.measures.resize(static_cast<std::size_t>(state.measureCount) + 1);
  for (int m = 1; m <= state.measureCount; ++m) {
    const auto& [value, divisor] = random.pick(measures);
    state.measures[m].valueField = value;
    state.measures[m].secondField = divisor;
    state.measures[m].isRate = !divisor.empty();
    state.measures[m].multiplier = 1;
  }
  state.selections.resize(1);
  for (const DimensionChoice& choice : dimensions) {
    if (!random.chance(25)) continue;
    SelectionFilter selection;
    selection.dimension = load(choice);
    selection.selected.assign(static_cast<std::size_t>(selection.dimension.categoryCount) + 2,
                              false);
    for (std::size_t k = 1; k < selection.selected.size(); ++k) {
      selection.selected[k] = random.chance(60);
    }
    state.selections.push_back(selection);
  }
  state.selectionCount = static_cast<int>(state.selections.size()) - 1;
  const auto columns = static_cast<std::size_t>(state.columnCount) + 2;
  const auto rows = static_cast<std::size_t>(state.rowCount) + 2;
  state.valueCells.assign(columns, std::vector<double>(rows, 0.0));
  state.divisorCells = state.valueCells;
  if (counting) state.countCells = state.valueCells;
  return state;
}

}  // namespace

TEST(ColumnScan, EveryCellGetsTheSameSumToTheBit) {
  // Pages show a few decimals, so a sum added in another order could print the same; the cells
  // themselves must be equal bit for bit, and the notes equal line for line.
  forGeneratedSites(
      101, 140,
      [](Random& random, const SiteShape& site, const std::string& records,
         const std::string& columns) {
        for (int request = 0; request < 6; ++request) {
          const TabulationState asked = engineRequest(random, records, random.chance(30));
          std::vector<std::string> names = site.dataNames;
          std::shuffle(names.begin(), names.end(), random.engine);
          auto tabulate = [&](const std::string& directory, const ThreadRule& rule,
                              TabulationState& state, std::string& notes) {
            state = asked;
            state.settings.threads = rule;
            std::vector<std::string> paths;
            for (const std::string& name : names) paths.push_back(directory + "/dados/" + name);
            const Status failure = tabulateDataFiles(
                state, paths, [&](std::string_view line) { notes += std::string(line) + "\n"; });
            if (failure) notes += failure->text;
            // The notes name the files: the same names in either folder.
            notes = std::regex_replace(notes, std::regex(directory), "SITE");
          };
          ThreadRule one;
          one.threads = 1;
          ThreadRule many;
          many.threads = 1 + random.below(5);
          many.capAtCores = false;
          many.recordsPerThread = 1;
          many.blockRecords = 1 + random.below(300);
          TabulationState expected, alone, split;
          std::string expectedNotes, aloneNotes, splitNotes;
          tabulate(records, one, expected, expectedNotes);
          tabulate(columns, one, alone, aloneNotes);
          tabulate(columns, many, split, splitNotes);
          const std::string what = records + " request " + std::to_string(request) + " threads " +
                                   std::to_string(many.threads) + " blocks of " +
                                   std::to_string(many.blockRecords);
          EXPECT_EQ(expectedNotes, aloneNotes) << what;
          EXPECT_EQ(expectedNotes, splitNotes) << what;
          for (const TabulationState* state : {&alone, &split}) {
            ASSERT_EQ(expected.valueCells, state->valueCells) << what;
            ASSERT_EQ(expected.divisorCells, state->divisorCells) << what;
            ASSERT_EQ(expected.countCells, state->countCells) << what;
            ASSERT_EQ(expected.columnDecimals, state->columnDecimals) << what;
          }
        }
      });
}

TEST(ColumnScan, ColumnsAndThreadsGiveThePagesAndCopiesOfTheRecordPath) {
  forGeneratedSites(1, 40,
                    [](Random& random, const SiteShape& site, const std::string& records,
                       const std::string& columns) {
                      for (int request = 0; request < 4; ++request) {
                        const std::string query = generateQuery(random, site);
                        ThreadRule one;
                        one.threads = 1;
                        ThreadRule many;
                        many.threads = 4;
                        many.capAtCores = false;
                        many.recordsPerThread = 1;
                        many.blockRecords = 1 + random.below(40);
                        const RequestResult expected = runRequestIn(records, query, one);
                        const RequestResult alone = runRequestIn(columns, query, one);
                        const RequestResult split = runRequestIn(columns, query, many);
                        const std::string what = records + ": " + query;
                        ASSERT_EQ(expected.page, alone.page) << what;
                        ASSERT_EQ(expected.page, split.page)
                            << what << " blocks of " << many.blockRecords;
                        EXPECT_EQ(expected.copies, alone.copies) << what;
                        EXPECT_EQ(expected.copies, split.copies) << what;
                      }
                    });
}

namespace {

// 3000 records: a sex of two values and an age of a hundred (one-byte dictionaries), an age
// that holds a word now and then, and a key that never repeats (raw).
TestDbf plannerTable() {
  TestDbf dbf{{{"SEXO", 'C', 1}, {"IDADE", 'C', 3}, {"IDADE2", 'C', 3}, {"CHAVE", 'C', 8}}, {}};
  for (int i = 0; i < 3000; ++i) {
    dbf.rows.push_back(
        {i % 3 ? "1" : "2", digits(i % 100, 3), i % 500 ? digits(i % 90, 3) : "abc", digits(i, 8)});
  }
  return dbf;
}

// Rows by `field` through `cnv`, counting records, no selection.
TabulationState countBy(const std::string& field, const std::string& cnv) {
  TabulationState state;
  state.rowDimension = siteDimension(tempDirectory(), field, 1, cnv);
  state.rowCount = state.rowDimension.categoryCount;
  state.measureCount = 1;
  state.columnCount = 1;
  state.measures.resize(2);
  state.measures[1].valueField = "#";
  state.selections.resize(1);
  state.valueCells.assign(3, std::vector<double>(static_cast<std::size_t>(state.rowCount) + 2));
  state.divisorCells = state.valueCells;
  return state;
}

std::string writeColumnsOf(const std::string& path) {
  DbfTable table;
  if (Status failure = OpenDBF(table, path)) return failure->text;
  std::uint64_t size = 0;
  const Status failure = writeColumnFile(table, path, size);
  return failure ? failure->text : "";
}

}  // namespace

TEST(ColumnScan, WhatThePlannerLeavesToTheRecordPath) {
  const std::string path = plannerTable().writeTo(tempPath("DO96.dbf"));
  writeFileBytes(tempPath("sexo.cnv"), conversion("2 1", {"1", "2"}));
  writeFileBytes(tempPath("idade.cnv"), conversion("2 3 F", {" 19", "200"}));
  writeFileBytes(tempPath("chave.cnv"), conversion("2 8 L", {"00000001", "00000002"}));
  const struct {
    const char* what;
    const char* field;
    const char* cnv;
    bool columns, parallel;
  } cases[] = {
      {"dictionary", "SEXO", "sexo.cnv", true, true},
      {"raw: one thread", "CHAVE", "chave.cnv", true, false},
      {"thresholds over numbers", "IDADE", "idade.cnv", true, true},
      {"thresholds meeting a word", "IDADE2", "idade.cnv", false, false},
      {"thresholds over a raw column", "CHAVE", "idade.cnv", false, false},
  };
  for (bool written : {false, true}) {
    if (written) {
      ASSERT_EQ("", writeColumnsOf(path));
    }
    for (const auto& c : cases) {
      TabulationState state = countBy(c.field, c.cnv);
      DbfTable table;
      ASSERT_FALSE(OpenDBF(table, path));
      state.rowDimension.fieldNumber = static_cast<std::uint16_t>(fieldIndex(table, c.field));
      const std::unique_ptr<ColumnScan> scan = planColumnScan(state, table, path);
      EXPECT_EQ(written && c.columns, scan != nullptr) << c.what;
      if (scan != nullptr) {
        EXPECT_EQ(c.parallel, scan->parallel) << c.what;
      }
    }
  }
}

TEST(ColumnScan, StaleCutOrDamagedColumnFilesNeverChangeTheCounts) {
  writeFileBytes(tempPath("sexo.cnv"), conversion("2 1", {"1", "2"}));
  const std::string path = tempPath("DO96.dbf");
  auto counts = [&] {
    TabulationState state = countBy("SEXO", "sexo.cnv");
    EXPECT_FALSE(tabulateFile(state, path, [](std::string_view) {}));
    return state.valueCells[1];
  };
  TestDbf before = plannerTable(), after = plannerTable();
  for (TestRow& row : after.rows) row.values[0] = row.values[0] == "1" ? "2" : "1";
  before.writeTo(path);
  ASSERT_EQ("", writeColumnsOf(path));
  EXPECT_EQ((std::vector<double>{0, 2000, 1000, 0}), counts());

  // Rewritten at the same size: the column file describes the old data and is passed over.
  after.writeTo(path);
  const timespec later[2] = {{1900000000, 0}, {1900000000, 0}};
  ASSERT_EQ(0, utimensat(AT_FDCWD, path.c_str(), later, 0));
  EXPECT_EQ((std::vector<double>{0, 1000, 2000, 0}), counts());

  // Current again, then cut.
  ASSERT_EQ("", writeColumnsOf(path));
  const std::string good = readFileBytes(tempPath("DO96.COL"));
  writeFileBytes(tempPath("DO96.COL"), good.substr(0, good.size() - 9));
  EXPECT_EQ((std::vector<double>{0, 1000, 2000, 0}), counts());

  // A code past the dictionary, which only a damaged file holds: the record counts in no
  // category.
  std::size_t codes = 0;
  {
    DbfTable table;
    ASSERT_FALSE(OpenDBF(table, path));
    writeFileBytes(tempPath("DO96.COL"), good);
    ColumnFile columns;
    ASSERT_TRUE(openColumnFile(columns, table, path));
    ASSERT_EQ(ColumnEncoding::dictionary, columns.columns[1].encoding);
    codes = static_cast<std::size_t>(reinterpret_cast<const char*>(columns.columns[1].codes) -
                                     columns.bytes);
  }
  std::string damaged = good;
  damaged[codes + 4] = '\x07';  // record 5, a "2"
  writeFileBytes(tempPath("DO96.COL"), damaged);
  EXPECT_EQ((std::vector<double>{0, 1000, 1999, 1}), counts());
}

TEST(ColumnScan, TheProcessorTimeBoundEndsARequestSplitOverThreads) {
  // 20,000 records read 50,000 times over through an index of one endless municipality: far
  // more than a second, and every thread's time counts against it.
  const std::string site = tempPath("site");
  writeSmallSite(site);
  TestDbf dbf{{{"CODMUN", 'C', 6}, {"SEXO", 'C', 1}}, {}};
  for (int r = 0; r < 20000; ++r) dbf.rows.push_back({"110001", r % 2 ? "1" : "2"});
  const std::string path = dbf.writeTo(site + "/dados/DO23.dbf");
  ASSERT_EQ("", writeColumnsOf(path));
  std::string index = "CODMUN\r\n";
  for (int l = 0; l < 50000; ++l) index += indexLine("110001", 1, 20000) + "\r\n";
  writeFileBytes(site + "/dados/DO23.IXM", index);
  const std::string body = kSmallSiteBody;
  const ProgramRun run = runProgram(
      programPath("vorlexcgi"), {"t"},
      {"REMOTE_ADDR=10.0.0.7", "VORLEX_FIXED_TIME=2024-03-05 10:11:12.345",
       "CONTENT_LENGTH=" + std::to_string(body.size()), "VORLEX_CPU_SECONDS=1", "VORLEX_THREADS=2"},
      body, site);
  EXPECT_EQ(1, run.status) << run.errors;
  const std::string message = cpuLimitMessage(1);
  ASSERT_GE(run.output.size(), message.size());
  EXPECT_EQ(message, run.output.substr(run.output.size() - message.size()));
}
