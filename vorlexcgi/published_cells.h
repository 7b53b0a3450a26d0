// What the answers for scripts publish of a result: each axis with its categories in the order
// the page shows them, the ids and labels that scripts read (UTF-8), and the level that tells a
// total or a roll-up row from a plain one. The JSON-stat and the tidy CSV writers both read the
// cells through here, so they publish exactly the cells the page writes, no more and no fewer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "result_model.h"

// plain: a row that enters the totals once; subtotal: a row that others roll up into;
// excluded: a row the column totals leave out; total: the totals row or column. Summing the
// plain cells gives the total of a count or sum, never counting a value twice.
enum class CellLevel : std::uint8_t { plain, subtotal, excluded, total };
const char* levelName(CellLevel level);

struct PublishedCategory {
  int index = 0;  // the model's row or column (0: the totals); for a measure, its number
  std::string id, label;
  CellLevel level = CellLevel::plain;
  int parent = -1;   // rows: the position in the same list of the row it rolls up into; -1 none
  int decimals = 0;  // measures: the decimals of their values
};

struct PublishedAxis {
  std::string id, label;
  std::vector<PublishedCategory> categories;
};

struct PublishedTable {
  PublishedAxis rows;
  bool columnActive = false;
  PublishedAxis columns;  // with a column dimension only
  PublishedAxis measures;
};

// The id of the totals category, unless a category's code takes it.
inline constexpr const char* kTotalId = "_T";
// The id of the measures' axis: the form field that names them.
inline constexpr const char* kMeasureAxisId = "Incremento";

PublishedTable publishedTable(const ResultModel& model);

// Calls visit(row, column, measure) for every published cell in the order of the values: the
// rows, within a row the columns, within a column the measures. Without a column dimension the
// column is nullptr.
template <typename Visit>
void forEachPublishedCell(const PublishedTable& table, Visit&& visit) {
  for (const PublishedCategory& row : table.rows.categories) {
    if (!table.columnActive) {
      for (const PublishedCategory& measure : table.measures.categories)
        visit(row, nullptr, measure);
      continue;
    }
    for (const PublishedCategory& column : table.columns.categories) {
      for (const PublishedCategory& measure : table.measures.categories)
        visit(row, &column, measure);
    }
  }
}

// The value of the cell at a published row, column (nullptr without a column dimension) and
// measure, and the decimals it is written with.
double publishedValue(const ResultModel& model, const PublishedCategory& row,
                      const PublishedCategory* column, const PublishedCategory& measure);
int publishedDecimals(const ResultModel& model, const PublishedCategory* column,
                      const PublishedCategory& measure);
// A cell is a total when its row or column is; otherwise it has its row's level.
CellLevel cellLevel(const PublishedCategory& row, const PublishedCategory* column);
// The confidentiality mark of a published cell (OSIGILO, OINSTAVEL): "X" suppressed, ".." not
// computable, "*" unreliable; empty for none.
std::string publishedMark(const ResultModel& model, const PublishedCategory& row,
                          const PublishedCategory* column, const PublishedCategory& measure);
// The value as published: rounded to its decimals (publishedNumber), or empty where a mark
// stands for it ("X", "..").
std::string publishedText(const ResultModel& model, const PublishedCategory& row,
                          const PublishedCategory* column, const PublishedCategory& measure);
// The value rounded half away from zero to `decimals`, "." before the decimals, no thousands
// separator; empty for a value that is no number.
std::string publishedNumber(double value, int decimals);

// Definition and page texts for scripts: tags removed, the entities the pages use decoded, runs
// of blanks made one space, then UTF-8.
std::string plainUtf8(std::string_view html);
// A label as the page shows it ("_" as a space), in UTF-8.
std::string labelUtf8(std::string_view label);
