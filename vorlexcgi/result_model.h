// The finished result as every output reads it: the table's texts, its rows and columns, the
// values with their totals, the roll-up levels and the row order. Built once after
// post-processing; each output format (page layouts, text formats, copies) is a writer of this
// model and reads nothing else.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "state.h"

// One active selection as the heading and the copies describe it.
struct ResultSelection {
  std::string title;                // the dimension's title
  std::vector<std::string> chosen;  // labels of the selected categories, in category order
};

// What a cell shows instead of, or beside, its value when the definition protects small counts
// or flags rates (OSIGILO, OINSTAVEL).
enum class CellMark : std::uint8_t {
  none,
  suppressed,     // "X": the value is not published
  unreliable,     // "*" after the value: a rate from few events
  notComputable,  // "..": a rate whose divisor is 0
};

struct ResultModel {
  // What was asked, as the heading block describes it.
  std::string title;
  Language language = Language::portuguese;
  std::vector<std::string> measureNames;  // [1..measureCount]; slot 0 unused
  std::string rowChoice, columnChoice;    // normalized definition lines of the chosen dimensions
  std::vector<ResultSelection> selections;
  std::vector<std::string> periodCodes;  // as periodDescription reads them
  std::string periodText;                // their description in the page's language

  // How numbers and zeros are written, and the page's own texts.
  bool styleSheetsOn = false;
  bool zeroAsHyphen = false;
  char thousandsSeparator = '.', decimalSeparator = ',';
  std::vector<std::string> footnoteLines;
  std::vector<std::string> footerLines;  // the F lines; the answers for scripts name their source
  // The newest modification time of the data files read, in seconds since 1970; -1 when none
  // could be read.
  std::int64_t dataUpdated = -1;

  // The axes. Without a column dimension the measures are the columns.
  bool columnActive = false;
  int rowCount = 0, columnCount = 0;
  std::string rowTitle;
  std::string rowConversionFile;           // names the map the desktop tabulator draws rows on
  std::vector<std::string> rowLabels;      // [1..rowCount]
  std::vector<std::int16_t> rollUpTarget;  // [1..rowCount]: see Dimension::rollUpTarget
  std::vector<bool> summaryRow;            // [1..rowCount]: some other row rolls up into it
  std::vector<std::string> columnLabels;   // [1..columnCount]: categories or measure names
  std::vector<int> columnDecimals;         // [1..columnCount]
  // The conversion's codes of each category (see Dimension::categoryCodes): rowCodes[1..rowCount],
  // columnCodes[1..columnCount] with a column dimension (empty without one).
  std::vector<std::string> rowCodes, columnCodes;

  // Which parts are shown.
  bool totalRowShown = true, totalColumnShown = true;
  bool showZeroRows = false;
  bool sorted = false;
  std::vector<int> rowOrder;  // [1..rowCount]: rows by ascending total when sorted

  // values[row * (columnCount + 1) + column]: row 0 is the totals row, column 0 the totals
  // column, so cell (0, 0) is the grand total. Rates and percentages are already applied.
  std::vector<double> values;

  // Laid out as values; empty when no cell can carry a mark. The values stay true, so the sort
  // and the zero-row test never depend on the marks.
  std::vector<CellMark> marks;
  std::string markLegend;  // the line below the table that explains the marks; empty without

  std::size_t cellIndex(int row, int column) const {
    return static_cast<std::size_t>(row) * static_cast<std::size_t>(columnCount + 1) +
           static_cast<std::size_t>(column);
  }
  double value(int row, int column) const { return values[cellIndex(row, column)]; }
  CellMark mark(int row, int column) const {
    return marks.empty() ? CellMark::none : marks[cellIndex(row, column)];
  }
};

// The model of a post-processed request. The cell arrays are copied, so the state may be
// released afterwards.
ResultModel resultModel(const TabulationState& state);
// Frees the state's cell arrays once a model holds the values: a large table is not kept twice
// while the outputs are written.
void releaseCells(TabulationState& state);

// With a column dimension, a column whose total is 0 is left out.
bool columnWritten(const ResultModel& model, int column);
// The totals column: only with a column dimension and when it is shown.
bool totalsColumnWritten(const ResultModel& model);
// Whether any cell of the row (totals column aside) is not 0.
bool rowHasValue(const ResultModel& model, int row);
// A row is written when it has a value or zero rows are shown.
bool rowWritten(const ResultModel& model, int row);
// The row shown at position p (1..rowCount): a sorted order is read from its end, so the
// largest total comes first.
int rowAtPosition(const ResultModel& model, int position);
// The decimals of the totals column: those of the first column.
int rowTotalDecimals(const ResultModel& model);
// The decimals of a column, 0 being the totals column.
int decimalsOf(const ResultModel& model, int column);
// Whether the cell's value is shown: not suppressed and computable (an unreliable value is shown
// with its mark).
bool valuePublished(const ResultModel& model, int row, int column);
// A cell's text as every format writes it: `text` is the value as that format writes it, which
// a mark replaces ("X", "..") or follows ("*").
std::string markedText(const ResultModel& model, int row, int column, std::string text);
