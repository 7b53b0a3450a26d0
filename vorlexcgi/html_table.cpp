// The finished cross-table as HTML: the heading block (also printed by the text formats), the
// plain table, and the styled table whose class names the site's style sheet dresses. Neither
// layout closes its rows or cells; browsers have always accepted that.
#include "html_table.h"

#include <cstdio>
#include <string>

#include "messages.h"
#include "number_text.h"
#include "periods.h"
#include "postprocess.h"
#include "text_helpers.h"
#include "text_limits.h"

namespace {

// The dimension's name: the first 31 characters of its normalized line.
std::string choiceName(const std::string& choice) { return trimSpaces(cut(choice, kMaxName)); }

std::string number(const TabulationState& state, double value, int decimals) {
  return numberText(value, decimals, state.thousandsSeparator, state.decimalSeparator);
}

// A body or row-total cell; the totals row never uses the hyphen.
std::string cellText(const TabulationState& state, double value, int decimals) {
  if (value == 0 && state.zeroAsHyphen) return "-";
  return number(state, value, decimals);
}

int rowTotalDecimals(const TabulationState& state) {
  return state.columnDecimals.size() > 1 ? state.columnDecimals[1] : 0;
}

std::string columnLabel(const TabulationState& state, int column) {
  if (state.columnActive) return htmlAccents(state.columnDimension.categoryNames[column]);
  return htmlAccents(state.measures[column].name);
}

// The heading cells of the written columns, in either layout.
void writeColumnHeadings(const TabulationState& state, bool styled) {
  const bool totals = totalsColumnWritten(state);
  int last = 0;
  for (int c = 1; c <= state.columnCount; ++c) {
    if (columnWritten(state, c)) last = c;
  }
  for (int c = 1; c <= state.columnCount; ++c) {
    if (!columnWritten(state, c)) continue;
    if (!styled) {
      writeText(stdout, "<TH>" + columnLabel(state, c));
    } else {
      const char* cls = c == last && !totals ? "cabdireito" : "cabmeio";
      writeLine(stdout, std::string("<TH CLASS=\"") + cls + "\">" + columnLabel(state, c));
    }
  }
  if (totals) {
    if (styled) {
      writeLine(stdout, "<TH CLASS=\"cabdireito\">Total");
    } else {
      writeText(stdout, "<TH>Total");
    }
  }
  if (!styled) writeLine(stdout, "");
}

void writeTotalsCells(const TabulationState& state) {
  for (int c = 1; c <= state.columnCount; ++c) {
    if (columnWritten(state, c)) {
      writeText(stdout, "<TD>" + number(state, state.columnTotals[c], state.columnDecimals[c]));
    }
  }
  if (totalsColumnWritten(state)) {
    writeText(stdout, "<TD>" + number(state, state.grandTotal, rowTotalDecimals(state)));
  }
  writeLine(stdout, "");
}

void writeBodyCells(const TabulationState& state, int row) {
  for (int c = 1; c <= state.columnCount; ++c) {
    if (columnWritten(state, c)) {
      writeText(stdout,
                "<TD>" + cellText(state, state.valueCells[c][row], state.columnDecimals[c]));
    }
  }
  if (totalsColumnWritten(state)) {
    writeText(stdout, "<TD>" + cellText(state, state.rowTotals[row], rowTotalDecimals(state)));
  }
  writeLine(stdout, "");
}

// The row shown at position p (1..R): sorted tables read rowOrder from its end.
int rowAtPosition(const TabulationState& state, int position) {
  return state.sortRows ? state.rowOrder[state.rowCount + 1 - position] : position;
}

bool rowWritten(const TabulationState& state, int row) {
  return state.showZeroRows || rowHasValue(state, row);
}

std::string rowLabel(const TabulationState& state, int row) {
  return htmlAccents(state.rowDimension.categoryNames[row]);
}

}  // namespace

void writeHeadingBlock(const TabulationState& state) {
  if (state.styleSheetsOn) {
    writeLine(stdout, "<H1 CLASS=\"Nivel0\">" + htmlAccents(state.title) + "</H1>");
  } else {
    writeLine(stdout, "<H2>" + htmlAccents(state.title) + "</H2>");
  }
  std::string line = "<b>";
  for (int m = 1; m <= state.measureCount; ++m) {
    if (m > 1) line += ", ";
    line += htmlAccents(state.measures[m].name);
  }
  if (state.columnActive) {
    line += " " + localMessage(1, state.language) + " " +
            htmlAccents(choiceName(state.columnChoice));
  }
  line += " " + localMessage(2, state.language) + " " + htmlAccents(choiceName(state.rowChoice));
  writeLine(stdout, line + "</b><br>");
  for (int s = 1; s <= state.selectionCount; ++s) {
    const SelectionFilter& selection = state.selections[s];
    std::string text = "<b>" + htmlAccents(selection.dimension.title) + ":</b>";
    bool first = true;
    for (int k = 1; k <= selection.dimension.categoryCount; ++k) {
      if (static_cast<std::size_t>(k) >= selection.selected.size() || !selection.selected[k]) {
        continue;
      }
      text += first ? " " : ", ";
      text += htmlAccents(selection.dimension.categoryNames[k]);
      first = false;
    }
    writeLine(stdout, text + "<BR>");
  }
  writeText(stdout, "<b>" + localMessage(3, state.language) + ":</b> " +
                        periodDescription(state.periodCodes, state.language));
  if (!state.styleSheetsOn) writeLine(stdout, "<P>");
}

void writePlainTable(const TabulationState& state) {
  writeLine(stdout, "<CENTER>");
  writeHeadingBlock(state);
  writeLine(stdout, "<TABLE BORDER>");
  writeLine(stdout, "<TR ALIGN=RIGHT>");
  writeText(stdout, "<TH ALIGN=LEFT>" + htmlAccents(state.rowDimension.title));
  writeColumnHeadings(state, false);
  if (state.showTotalRow) {
    writeLine(stdout, "<TR ALIGN=RIGHT>");
    writeLine(stdout, "<TH ALIGN=LEFT> TOTAL");
    writeTotalsCells(state);
  }
  for (int p = 1; p <= state.rowCount; ++p) {
    const int row = rowAtPosition(state, p);
    if (!rowWritten(state, row)) continue;
    writeLine(stdout, "<TR ALIGN=RIGHT>");
    writeLine(stdout, "<TH ALIGN=LEFT>" + rowLabel(state, row));
    writeBodyCells(state, row);
  }
  writeLine(stdout, "</TABLE>");
  writeLine(stdout, "</CENTER>");
  writeLine(stdout, "<BR>");
}

void writeStyledTable(const TabulationState& state) {
  const int valueColumns = (state.columnActive ? state.columnCount : state.measureCount) +
                           (totalsColumnWritten(state) ? 1 : 0);
  const std::string span = std::to_string(valueColumns + 1);
  writeLine(stdout, "<TABLE CLASS=\"tabdados\" ALIGN=\"CENTER\">");
  writeLine(stdout, "<COLGROUP>");
  writeLine(stdout, "<COL ALIGN=\"LEFT\" VALIGN=\"TOP\">");
  writeLine(stdout, "<COLGROUP>");
  writeLine(stdout, "<COL SPAN=" + std::to_string(valueColumns) +
                        " ALIGN=\"RIGHT\" VALIGN=\"TOP\">");
  writeLine(stdout, "<THEAD>");
  writeLine(stdout, "<TR CLASS=\"cabtabela\">");
  writeLine(stdout, "<TD COLSPAN=" + span + ">");
  writeHeadingBlock(state);
  writeLine(stdout, "<TR VALIGN=\"BOTTOM\">");
  writeLine(stdout, "<TH CLASS=\"cabesquerdo\">" + htmlAccents(state.rowDimension.title));
  writeColumnHeadings(state, true);
  writeLine(stdout, "</THEAD>");
  writeLine(stdout, "<TFOOT>");
  writeLine(stdout, "<TR VALIGN=\"BOTTOM\">");
  writeLine(stdout, "<TD CLASS=\"rodape\" COLSPAN=" + span + ">");
  for (const std::string& line : state.footnoteLines) writeLine(stdout, line);
  writeLine(stdout, "&nbsp;");
  writeLine(stdout, "</TFOOT>");
  writeLine(stdout, "<TBODY VALIGN=\"BOTTOM\">");
  if (state.showTotalRow) {
    writeLine(stdout, "<TR CLASS=\"separador\" align=\"right\">");
    writeLine(stdout, "<TD align=\"left\"> TOTAL");
    writeTotalsCells(state);
  }
  bool anySummaryRow = false;
  for (int r = 1; r <= state.rowCount; ++r) {
    if (static_cast<std::size_t>(r) < state.rowDimension.rollUpTarget.size() &&
        state.rowDimension.rollUpTarget[r] > 0) {
      anySummaryRow = true;
    }
  }
  for (int p = 1; p <= state.rowCount; ++p) {
    const int row = rowAtPosition(state, p);
    if (!rowWritten(state, row)) continue;
    const bool separator =
        anySummaryRow && static_cast<std::size_t>(row) < state.rowDimension.rollUpTarget.size() &&
        state.rowDimension.rollUpTarget[row] == 0;
    writeLine(stdout, separator ? "<TR CLASS=\"separador\" align=\"right\">" : "<TR align=\"right\">");
    writeLine(stdout, "<TD ALIGN=LEFT>" + rowLabel(state, row));
    writeBodyCells(state, row);
  }
  writeLine(stdout, "</TABLE>");
  writeLine(stdout, "<BR>");
}
