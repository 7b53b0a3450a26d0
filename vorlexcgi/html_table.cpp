// The finished cross-table as HTML, in the plain and the styled layout. Neither layout closes its
// rows or cells; browsers have always accepted that.
#include "html_table.h"

#include <cstdio>
#include <string>

#include "heading_block.h"
#include "number_text.h"
#include "output.h"
#include "text_helpers.h"

namespace {

std::string number(const ResultModel& model, double value, int decimals) {
  return numberText(value, decimals, model.thousandsSeparator, model.decimalSeparator);
}

std::string columnLabel(const ResultModel& model, int column) {
  return htmlAccents(model.columnLabels[column]);
}

// The heading cells of the written columns, in either layout.
void writeColumnHeadings(const ResultModel& model, bool styled) {
  const bool totals = totalsColumnWritten(model);
  int last = 0;
  for (int c = 1; c <= model.columnCount; ++c) {
    if (columnWritten(model, c)) last = c;
  }
  for (int c = 1; c <= model.columnCount; ++c) {
    if (!columnWritten(model, c)) continue;
    if (!styled) {
      writeText(stdout, "<TH>" + columnLabel(model, c));
    } else {
      const char* cls = c == last && !totals ? "cabdireito" : "cabmeio";
      writeLine(stdout, std::string("<TH CLASS=\"") + cls + "\">" + columnLabel(model, c));
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

// The written columns of one row (0: the totals row), then its total when that column is
// written.
void writeCells(const ResultModel& model, int row) {
  for (int c = 1; c <= model.columnCount; ++c) {
    if (columnWritten(model, c)) writeText(stdout, "<TD>" + tableCellText(model, row, c));
  }
  if (totalsColumnWritten(model)) writeText(stdout, "<TD>" + tableCellText(model, row, 0));
  writeLine(stdout, "");
}

void writeMarkLegend(const ResultModel& model) {
  if (model.markLegend.empty()) return;
  writeLine(stdout, "<P CLASS=\"legenda\">" + htmlAccents(model.markLegend) + "</P>");
}

std::string rowLabel(const ResultModel& model, int row) {
  return htmlAccents(model.rowLabels[row]);
}

}  // namespace

std::string tableCellText(const ResultModel& model, int row, int column) {
  const double value = model.value(row, column);
  const int decimals = column == 0 ? rowTotalDecimals(model) : model.columnDecimals[column];
  const bool hyphen = row != 0 && value == 0 && model.zeroAsHyphen;
  return markedText(model, row, column, hyphen ? "-" : number(model, value, decimals));
}

void writePlainTable(const ResultModel& model) {
  writeLine(stdout, "<CENTER>");
  writeHeadingBlock(model);
  writeLine(stdout, "<TABLE BORDER>");
  writeLine(stdout, "<TR ALIGN=RIGHT>");
  writeText(stdout, "<TH ALIGN=LEFT>" + htmlAccents(model.rowTitle));
  writeColumnHeadings(model, false);
  if (model.totalRowShown) {
    writeLine(stdout, "<TR ALIGN=RIGHT>");
    writeLine(stdout, "<TH ALIGN=LEFT> TOTAL");
    writeCells(model, 0);
  }
  for (int p = 1; p <= model.rowCount; ++p) {
    const int row = rowAtPosition(model, p);
    if (!rowWritten(model, row)) continue;
    writeLine(stdout, "<TR ALIGN=RIGHT>");
    writeLine(stdout, "<TH ALIGN=LEFT>" + rowLabel(model, row));
    writeCells(model, row);
  }
  writeLine(stdout, "</TABLE>");
  writeMarkLegend(model);
  writeLine(stdout, "</CENTER>");
  writeLine(stdout, "<BR>");
}

void writeStyledTable(const ResultModel& model) {
  // Without a column dimension the columns are the measures.
  const int valueColumns = model.columnCount + (totalsColumnWritten(model) ? 1 : 0);
  const std::string span = std::to_string(valueColumns + 1);
  writeLine(stdout, "<TABLE CLASS=\"tabdados\" ALIGN=\"CENTER\">");
  writeLine(stdout, "<COLGROUP>");
  writeLine(stdout, "<COL ALIGN=\"LEFT\" VALIGN=\"TOP\">");
  writeLine(stdout, "<COLGROUP>");
  writeLine(stdout,
            "<COL SPAN=" + std::to_string(valueColumns) + " ALIGN=\"RIGHT\" VALIGN=\"TOP\">");
  writeLine(stdout, "<THEAD>");
  writeLine(stdout, "<TR CLASS=\"cabtabela\">");
  writeLine(stdout, "<TD COLSPAN=" + span + ">");
  writeHeadingBlock(model);
  writeLine(stdout, "<TR VALIGN=\"BOTTOM\">");
  writeLine(stdout, "<TH CLASS=\"cabesquerdo\">" + htmlAccents(model.rowTitle));
  writeColumnHeadings(model, true);
  writeLine(stdout, "</THEAD>");
  writeLine(stdout, "<TFOOT>");
  writeLine(stdout, "<TR VALIGN=\"BOTTOM\">");
  writeLine(stdout, "<TD CLASS=\"rodape\" COLSPAN=" + span + ">");
  for (const std::string& line : model.footnoteLines) writeLine(stdout, line);
  writeMarkLegend(model);
  writeLine(stdout, "&nbsp;");
  writeLine(stdout, "</TFOOT>");
  writeLine(stdout, "<TBODY VALIGN=\"BOTTOM\">");
  if (model.totalRowShown) {
    writeLine(stdout, "<TR CLASS=\"separador\" align=\"right\">");
    writeLine(stdout, "<TD align=\"left\"> TOTAL");
    writeCells(model, 0);
  }
  bool anyRolledUp = false;
  for (int r = 1; r <= model.rowCount; ++r) anyRolledUp = anyRolledUp || model.rollUpTarget[r] > 0;
  for (int p = 1; p <= model.rowCount; ++p) {
    const int row = rowAtPosition(model, p);
    if (!rowWritten(model, row)) continue;
    // With roll-ups, a row that belongs to no group is set apart.
    const bool separator = anyRolledUp && model.rollUpTarget[row] == 0;
    writeLine(stdout,
              separator ? "<TR CLASS=\"separador\" align=\"right\">" : "<TR align=\"right\">");
    writeLine(stdout, "<TD ALIGN=LEFT>" + rowLabel(model, row));
    writeCells(model, row);
  }
  writeLine(stdout, "</TABLE>");
  writeLine(stdout, "<BR>");
}
