// The result as tidy CSV: after the header, one line per published cell in the page's order
// (rows as shown, within a row the columns, within a column the measures). Without a column
// dimension the column fields are empty and each measure is a line of its own. "flag" holds a
// confidentiality mark (a suppressed value is left empty); "level" tells the totals and the
// roll-up rows from the plain cells, whose sum is the total.
#include "tidy_csv.h"

#include <string>
#include <string_view>

#include "output.h"
#include "published_cells.h"

namespace {

// A field as RFC 4180 writes it: quoted, its quotes doubled, when it holds a comma, a quote or
// a line break.
std::string csvField(std::string_view text) {
  constexpr char kSpecial[] = {',', '"', '\r', '\n'};
  if (text.find_first_of(kSpecial, 0, sizeof kSpecial) == std::string_view::npos) {
    return std::string(text);
  }
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + '"';
}

}  // namespace

void writeTidyCsv(std::FILE* file, const ResultModel& model) {
  const PublishedTable table = publishedTable(model);
  writeLine(file, kTidyCsvHeader);
  forEachPublishedCell(table, [&](const PublishedCategory& row, const PublishedCategory* column,
                                  const PublishedCategory& measure) {
    std::string line = csvField(row.id) + ',' + csvField(row.label) + ',';
    line += column != nullptr ? csvField(column->id) + ',' + csvField(column->label) : ",";
    line += ',' + csvField(measure.id) + ',' + csvField(measure.label) + ',';
    line += publishedText(model, row, column, measure);
    line += ',';
    line += publishedMark(model, row, column, measure);
    line += ',';
    line += levelName(cellLevel(row, column));
    writeLine(file, line);
  });
}
