// The demo site's world: places, category tables and the rules that draw one event record.
// The generator writes the conversion files from these tables and classifies its own records
// with them, so the totals it reports are known without running the tabulator.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

constexpr int kLanguages = 3;  // 0 Portuguese, 1 Spanish, 2 English

struct Category {
  std::string codes;  // conversion code list ("005-014", "0,9"); the upper bound for thresholds
  int rollUp = 0;     // roll-up target written in columns 1-3
  std::string label[kLanguages];  // Windows-1252
};

struct CategoryTable {
  std::string fileName;  // "sexo.cnv", written once per language folder
  std::string comment;   // first line of the file, after ";"
  int codeWidth = 1;
  char kind = ' ';  // ' ' code list, 'L' text dictionary, 'F' upper bounds
  std::vector<Category> categories;
};

struct Region {
  std::string label[kLanguages];
};
struct State {
  std::string code;  // two digits, the first two of its municipalities' codes
  std::string name;
  int region = 0;  // index into regions
};
struct Municipality {
  std::string code;  // six digits
  std::string name;
  int state = 0;        // index into states
  double weight = 1.0;  // share of the events
};

struct SiteModel {
  std::vector<Region> regions;
  std::vector<State> states;
  std::vector<Municipality> municipalities;  // sorted by code
  CategoryTable sex, ageGroups, weightBands, chapters, months, years;
  std::vector<std::string> causeCodes;                 // every cause code the data may hold, sorted
  std::vector<std::vector<std::string>> chapterCodes;  // the same codes by chapter
  struct CauseGroup {
    std::string code, label;
  };
  std::vector<CauseGroup> causeGroups;
  std::vector<int> chapterGroup;  // per chapter (1-based), its cause group (1-based) or 0
};

SiteModel buildSiteModel(int municipalityCount);

// The category (1-based) a code falls in, 0 when none: code lists compare texts of the
// table's width, thresholds compare numbers.
int categoryFor(const CategoryTable& table, const std::string& code);

// The state table with its regions as subtotal rows, in category order: each region row, then
// its states rolling up into it.
CategoryTable stateTable(const SiteModel& model);
// One category per municipality, in code order.
CategoryTable municipalityTable(const SiteModel& model);

// A small deterministic generator, so that one seed always gives the same site.
struct Random {
  std::uint64_t state;
  std::uint64_t next();
  int below(int n);  // 0..n-1
  double unit();     // [0, 1)
};

struct EventRecord {
  std::string municipality;
  char sex = '1';
  int age = 0;
  std::string cause;
  int birthWeight = 0;  // grams
  std::int64_t costCents = 0;
  int year = 0, month = 1, day = 1;
  int died = 0;        // 0 or 1
  int followedUp = 0;  // 0 or 1
};

EventRecord drawEvent(const SiteModel& model, Random& random, const Municipality& place, int year);
