// demosite: writes the demo site (definitions, conversion files, yearly and monthly event
// files, maps of its places, pages and style sheets) into one folder, with the totals its data
// must give.
//   demosite --out DIR [--records N] [--municipalities M] [--templates DIR]
// N is the number of events of the first year (about 200,000 by default); M the number of
// municipalities (300). A small N and M make the quick site the server tests use.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "dbf_writer.h"
#include "site_files.h"
#include "site_geometry.h"
#include "site_model.h"

namespace fs = std::filesystem;

namespace {

constexpr int kFirstYear = 2019, kLastYear = 2023, kMonthlyYear = 2023;

struct Options {
  std::string out;
  std::string templates = DEMO_TEMPLATE_DIR;
  int records = 200000;
  int municipalities = 300;
};

struct Sums {
  long long count = 0, costCents = 0, deaths = 0, followedUp = 0;
};

// What one data file must tabulate to: counts by municipality, sex and age group, and the
// counts of the other dimensions.
struct FileTotals {
  std::string period;  // "2019" or "2023-01"
  long long records = 0;
  std::map<std::tuple<int, int, int>, Sums> cells;  // municipality index, sex, age group
  std::vector<long long> chapter, weightBand, causeGroup, month;
};

const std::vector<DbfColumn> kEventColumns = {
    {"MUNRES", 'C', 6, 0},   {"SEXO", 'C', 1, 0},  {"IDADE", 'N', 3, 0},
    {"CAUSA", 'C', 4, 0},    {"PESO", 'N', 4, 0},  {"CUSTO", 'N', 10, 2},
    {"DTEVENTO", 'D', 8, 0}, {"OBITO", 'N', 1, 0}, {"ACOMP", 'N', 1, 0}};

std::vector<std::string> eventValues(const EventRecord& e) {
  char cost[24], date[16];
  std::snprintf(cost, sizeof cost, "%lld.%02lld", static_cast<long long>(e.costCents / 100),
                static_cast<long long>(e.costCents % 100));
  std::snprintf(date, sizeof date, "%04d%02d%02d", e.year, e.month, e.day);
  return {e.municipality, std::string(1, e.sex),         std::to_string(e.age),
          e.cause,        std::to_string(e.birthWeight), cost,
          date,           std::to_string(e.died),        std::to_string(e.followedUp)};
}

void addToTotals(const SiteModel& model, FileTotals& totals, int place, const EventRecord& e) {
  char age[8];
  std::snprintf(age, sizeof age, "%03d", e.age);
  const int sex = categoryFor(model.sex, std::string(1, e.sex));
  const int ageGroup = categoryFor(model.ageGroups, age);
  Sums& s = totals.cells[{place, sex, ageGroup}];
  ++s.count;
  s.costCents += e.costCents;
  s.deaths += e.died;
  s.followedUp += e.followedUp;
  ++totals.records;
  const int chapter = categoryFor(model.chapters, e.cause);
  ++totals.chapter[static_cast<std::size_t>(chapter)];
  ++totals.weightBand[static_cast<std::size_t>(
      categoryFor(model.weightBands, std::to_string(e.birthWeight)))];
  ++totals.causeGroup[static_cast<std::size_t>(
      model.chapterGroup[static_cast<std::size_t>(chapter)])];
  ++totals.month[static_cast<std::size_t>(e.month - 1)];
}

FileTotals emptyTotals(const SiteModel& model, const std::string& period) {
  FileTotals t;
  t.period = period;
  t.chapter.assign(model.chapters.categories.size() + 1, 0);
  t.weightBand.assign(model.weightBands.categories.size() + 1, 0);
  t.causeGroup.assign(model.causeGroups.size() + 1, 0);
  t.month.assign(12, 0);
  return t;
}

bool writeEventFile(const std::string& path, const std::vector<std::vector<std::string>>& rows) {
  DbfWriter writer;
  if (!openDbfWriter(writer, path, kEventColumns, static_cast<std::int32_t>(rows.size())))
    return false;
  for (const auto& row : rows) appendDbfRecord(writer, row);
  return closeDbfWriter(writer);
}

// Events of one year, municipality by municipality in code order, so the file is sorted by
// MUNRES as the municipality index needs; the year's events are also split into months.
bool writeYear(const SiteModel& model, const Options& options, int year,
               std::map<std::string, FileTotals>& totals) {
  const long long yearRecords =
      options.records + static_cast<long long>(options.records) * (year - kFirstYear) / 50;
  double weightSum = 0;
  for (const Municipality& m : model.municipalities) weightSum += m.weight;
  std::vector<long long> counts;
  long long assigned = 0;
  for (const Municipality& m : model.municipalities) {
    counts.push_back(static_cast<long long>(yearRecords * m.weight / weightSum));
    assigned += counts.back();
  }
  for (std::size_t i = 0; assigned < yearRecords; i = (i + 1) % counts.size(), ++assigned)
    ++counts[i];

  char name[32];
  std::snprintf(name, sizeof name, "EV%02d.dbf", year % 100);
  FileTotals& yearTotals = totals[name] = emptyTotals(model, std::to_string(year));
  std::vector<std::vector<std::string>> rows;
  std::vector<std::vector<std::vector<std::string>>> monthRows(12);
  std::vector<FileTotals> monthTotals;
  for (int month = 1; month <= 12; ++month) {
    char period[16];
    std::snprintf(period, sizeof period, "%04d-%02d", year, month);
    monthTotals.push_back(emptyTotals(model, period));
  }
  for (std::size_t i = 0; i < model.municipalities.size(); ++i) {
    Random random{static_cast<std::uint64_t>(year) * 1000003u + i};
    for (long long k = 0; k < counts[i]; ++k) {
      const EventRecord e = drawEvent(model, random, model.municipalities[i], year);
      rows.push_back(eventValues(e));
      addToTotals(model, yearTotals, static_cast<int>(i), e);
      if (year == kMonthlyYear) {
        monthRows[static_cast<std::size_t>(e.month - 1)].push_back(rows.back());
        addToTotals(model, monthTotals[static_cast<std::size_t>(e.month - 1)], static_cast<int>(i),
                    e);
      }
    }
  }
  if (!writeEventFile(options.out + "/dados/" + name, rows)) return false;
  if (year != kMonthlyYear) return true;
  for (int month = 1; month <= 12; ++month) {
    std::snprintf(name, sizeof name, "EM%02d%02d.dbf", year % 100, month);
    if (!writeEventFile(options.out + "/dados/" + name,
                        monthRows[static_cast<std::size_t>(month - 1)]))
      return false;
    totals[name] = monthTotals[static_cast<std::size_t>(month - 1)];
  }
  return true;
}

bool writeCauseTables(const SiteModel& model, const std::string& folder) {
  DbfWriter groups;
  if (!openDbfWriter(groups, folder + "/grupos.dbf", {{"GRUPO", 'C', 2, 0}, {"NOME", 'C', 40, 0}},
                     static_cast<std::int32_t>(model.causeGroups.size())))
    return false;
  for (const auto& g : model.causeGroups) appendDbfRecord(groups, {g.code, g.label});
  if (!closeDbfWriter(groups)) return false;

  std::vector<std::vector<std::string>> translation;
  for (const std::string& code : model.causeCodes) {
    const int group =
        model.chapterGroup[static_cast<std::size_t>(categoryFor(model.chapters, code))];
    if (group > 0)
      translation.push_back({model.causeGroups[static_cast<std::size_t>(group - 1)].code, code});
  }
  DbfWriter causes;
  if (!openDbfWriter(causes, folder + "/causagr.dbf", {{"GRUPO", 'C', 2, 0}, {"CAUSA", 'C', 4, 0}},
                     static_cast<std::int32_t>(translation.size())))
    return false;
  for (const auto& row : translation) appendDbfRecord(causes, row);
  return closeDbfWriter(causes);
}

bool writeConversionFiles(const SiteModel& model, const std::string& out) {
  const char* const folders[kLanguages] = {"/cnv/", "/cnv/es/", "/cnv/en/"};
  const CategoryTable tables[] = {model.sex,    model.ageGroups, model.weightBands, model.chapters,
                                  model.months, model.years,     stateTable(model)};
  for (int language = 0; language < kLanguages; ++language) {
    for (const CategoryTable& table : tables) {
      if (!writeWholeFile(out + folders[language] + table.fileName,
                          conversionFileText(table, language)))
        return false;
    }
  }
  const CategoryTable places = municipalityTable(model);
  return writeWholeFile(out + "/cnv/" + places.fileName, conversionFileText(places, 0)) &&
         writeCauseTables(model, out + "/cnv");
}

bool copyTemplates(const std::string& from, const std::string& out) {
  std::error_code error;
  for (const auto& entry : fs::recursive_directory_iterator(from, error)) {
    if (!entry.is_regular_file()) continue;
    const fs::path relative = fs::relative(entry.path(), from);
    fs::create_directories((fs::path(out) / relative).parent_path());
    std::string text;
    if (!readWholeFile(entry.path().string(), text) ||
        !writeWholeFile((fs::path(out) / relative).string(), siteTextFromTemplate(text)))
      return false;
  }
  if (error) std::fprintf(stderr, "cannot read templates in %s\n", from.c_str());
  return !error;
}

std::string jsonText(const std::string& windows1252) {
  std::string out = "\"";
  for (const char c : windows1252ToUtf8(windows1252)) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

std::string jsonLabels(const CategoryTable& table) {
  std::string out = "[";
  for (std::size_t i = 0; i < table.categories.size(); ++i) {
    const Category& c = table.categories[i];
    out += std::string(i ? ",\n    " : "") + "[" + jsonText(c.label[0]) + "," +
           jsonText(c.label[1]) + "," + jsonText(c.label[2]) + "]";
  }
  return out + "]";
}

std::string jsonNumbers(const std::vector<long long>& values) {
  std::string out = "[";
  for (std::size_t i = 0; i < values.size(); ++i) out += (i ? "," : "") + std::to_string(values[i]);
  return out + "]";
}

// known_totals.json: the places and labels, and per data file the counts the tabulator must
// give. Cells are [municipality index, sex, age group, events, cost in cents, deaths,
// followed up]; category numbers count from 1 as in the conversion files, 0 for none.
bool writeKnownTotals(const SiteModel& model, const std::map<std::string, FileTotals>& totals,
                      const std::string& path) {
  std::string j = "{\n\"municipalities\": [";
  for (std::size_t i = 0; i < model.municipalities.size(); ++i) {
    const Municipality& m = model.municipalities[i];
    j += std::string(i ? ",\n  " : "\n  ") + "{\"code\": \"" + m.code +
         "\", \"label\": " + jsonText(m.name) + ", \"state\": " + std::to_string(m.state) + "}";
  }
  j += "],\n\"states\": [";
  for (std::size_t i = 0; i < model.states.size(); ++i) {
    const State& s = model.states[i];
    j += std::string(i ? ",\n  " : "\n  ") + "{\"code\": \"" + s.code +
         "\", \"label\": " + jsonText(s.name) + ", \"region\": " + std::to_string(s.region) + "}";
  }
  j += "],\n\"regions\": [";
  for (std::size_t i = 0; i < model.regions.size(); ++i) {
    const Region& r = model.regions[i];
    j += std::string(i ? ",\n  " : "\n  ") + "[" + jsonText(r.label[0]) + "," +
         jsonText(r.label[1]) + "," + jsonText(r.label[2]) + "]";
  }
  j += "],\n\"labels\": {\n  \"sex\": " + jsonLabels(model.sex) +
       ",\n  \"ageGroups\": " + jsonLabels(model.ageGroups) +
       ",\n  \"weightBands\": " + jsonLabels(model.weightBands) +
       ",\n  \"chapters\": " + jsonLabels(model.chapters) +
       ",\n  \"months\": " + jsonLabels(model.months) + ",\n  \"causeGroups\": [";
  for (std::size_t i = 0; i < model.causeGroups.size(); ++i)
    j += std::string(i ? ", " : "") +
         jsonText(model.causeGroups[i].code + " " + model.causeGroups[i].label);
  j += "]},\n\"files\": {";
  bool first = true;
  for (const auto& [name, t] : totals) {
    j += std::string(first ? "\n" : ",\n") + "\"" + name + "\": {\"period\": \"" + t.period +
         "\", \"records\": " + std::to_string(t.records) +
         ",\n  \"chapters\": " + jsonNumbers(t.chapter) +
         ",\n  \"weightBands\": " + jsonNumbers(t.weightBand) +
         ",\n  \"causeGroups\": " + jsonNumbers(t.causeGroup) +
         ",\n  \"months\": " + jsonNumbers(t.month) + ",\n  \"cells\": [";
    bool firstCell = true;
    for (const auto& [key, s] : t.cells) {
      j += std::string(firstCell ? "" : ",") + "[" + std::to_string(std::get<0>(key)) + "," +
           std::to_string(std::get<1>(key)) + "," + std::to_string(std::get<2>(key)) + "," +
           std::to_string(s.count) + "," + std::to_string(s.costCents) + "," +
           std::to_string(s.deaths) + "," + std::to_string(s.followedUp) + "]";
      firstCell = false;
    }
    j += "]}";
    first = false;
  }
  j += "\n}}\n";
  return writeWholeFile(path, j);
}

bool parseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string key = argv[i], value = argv[i + 1];
    if (key == "--out")
      options.out = value;
    else if (key == "--templates")
      options.templates = value;
    else if (key == "--records")
      options.records = std::atoi(value.c_str());
    else if (key == "--municipalities")
      options.municipalities = std::atoi(value.c_str());
    else
      return false;
  }
  return argc % 2 == 1 && !options.out.empty() && options.records > 0 &&
         options.municipalities > 0 && options.municipalities <= 2000;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!parseOptions(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: demosite --out DIR [--records N] [--municipalities M] "
                 "[--templates DIR]\n");
    return 2;
  }
  for (const char* folder : {"", "/cnv/es", "/cnv/en", "/dados", "/csv", "/mapas"})
    fs::create_directories(options.out + folder);
  const SiteModel model = buildSiteModel(options.municipalities);
  if (!copyTemplates(options.templates, options.out) || !writeConversionFiles(model, options.out))
    return 1;
  const SiteGeometry geometry = buildSiteGeometry(model);
  if (!writeWholeFile(options.out + "/mapas/uf.geojson", statesGeoJson(model, geometry)) ||
      !writeWholeFile(options.out + "/mapas/municipios.geojson",
                      municipalitiesGeoJson(model, geometry)))
    return 1;
  std::map<std::string, FileTotals> totals;
  for (int year = kFirstYear; year <= kLastYear; ++year) {
    if (!writeYear(model, options, year, totals)) return 1;
  }
  if (!writeKnownTotals(model, totals, options.out + "/known_totals.json")) return 1;
  std::printf("demo site written to %s\n", options.out.c_str());
  return 0;
}
