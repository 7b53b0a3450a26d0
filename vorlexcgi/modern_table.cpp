// The modern result table, a writer of the result model like the classic layouts: the same rows,
// columns and numbers, in markup that a screen reader can walk cell by cell.
#include "modern_table.h"

#include <cstdio>
#include <string>

#include "heading_block.h"
#include "html_table.h"
#include "messages.h"
#include "modern_texts.h"
#include "output.h"
#include "text_helpers.h"

namespace {

void writeOut(std::string_view text) { writeLine(stdout, text); }

std::string headerCell(const std::string& scope, const std::string& text) {
  return "<th scope=\"" + scope + "\">" + text + "</th>";
}

std::string dataCell(const std::string& text) { return "<td>" + text + "</td>"; }

// The classes of a body row: a row that others roll up into, a row that rolls up into another,
// a row left out of the column totals.
std::string rowClasses(const ResultModel& model, int row) {
  std::string classes;
  const auto add = [&classes](const char* name) {
    classes += classes.empty() ? "" : " ";
    classes += name;
  };
  if (model.summaryRow[row]) add("vx-subtotal");
  if (model.rollUpTarget[row] > 0) add("vx-parte");
  if (model.rollUpTarget[row] < 0) add("vx-fora");
  return classes.empty() ? "<tr>" : "<tr class=\"" + classes + "\">";
}

void writeHead(const ResultModel& model) {
  writeOut("<thead>");
  std::string line = "<tr>" + headerCell("col", htmlAccents(model.rowTitle));
  for (int c = 1; c <= model.columnCount; ++c) {
    if (columnWritten(model, c)) line += headerCell("col", htmlAccents(model.columnLabels[c]));
  }
  if (totalsColumnWritten(model)) {
    line += headerCell("col", modernText(ModernText::total, model.language));
  }
  writeOut(line + "</tr>");
  writeOut("</thead>");
}

// One row of numbers after its label (row 0: the totals row), each with its mark.
std::string rowCells(const ResultModel& model, int row) {
  std::string cells;
  for (int c = 1; c <= model.columnCount; ++c) {
    if (columnWritten(model, c)) cells += dataCell(tableCellText(model, row, c));
  }
  if (totalsColumnWritten(model)) cells += dataCell(tableCellText(model, row, 0));
  return cells;
}

void writeBody(const ResultModel& model) {
  writeOut("<tbody>");
  if (model.totalRowShown) {
    writeOut("<tr class=\"vx-total\">" +
             headerCell("row", modernText(ModernText::total, model.language)) + rowCells(model, 0) +
             "</tr>");
  }
  const std::string subtotal =
      "<span class=\"vx-oculto\"> " + modernText(ModernText::subtotal, model.language) + "</span>";
  for (int p = 1; p <= model.rowCount; ++p) {
    const int row = rowAtPosition(model, p);
    if (!rowWritten(model, row)) continue;
    const std::string label =
        htmlAccents(model.rowLabels[row]) + (model.summaryRow[row] ? subtotal : "");
    writeOut(rowClasses(model, row) + headerCell("row", label) + rowCells(model, row) + "</tr>");
  }
  writeOut("</tbody>");
}

}  // namespace

void writeModernHeading(const ResultModel& model) {
  writeOut("<div class=\"vx-cabecalho\">");
  writeOut("<h1 id=\"vx-titulo\" class=\"Nivel0\">" + htmlAccents(model.title) + "</h1>");
  writeOut("<p>" + headingChoices(model) + "</p>");
  for (const ResultSelection& selection : model.selections) {
    writeOut("<p><strong>" + htmlAccents(selection.title) + ":</strong> " +
             chosenCategories(selection) + "</p>");
  }
  writeOut("<p><strong>" + localMessage(PageText::period, model.language) + ":</strong> " +
           model.periodText + "</p>");
  writeOut("</div>");
}

void writeModernTable(const ResultModel& model) {
  // The box, not the page, scrolls a wide table; it takes the keyboard's focus so that the
  // arrow keys scroll it too.
  writeOut(
      "<div class=\"vx-tabela\" role=\"region\" aria-labelledby=\"vx-titulo\" tabindex=\"0\">");
  writeOut("<table class=\"vx-resultado tabdados\">");
  writeOut("<caption>");
  writeModernHeading(model);
  writeOut("</caption>");
  writeHead(model);
  writeBody(model);
  writeOut("</table>");
  writeOut("</div>");
  // The marks of confidential and unreliable cells are explained where the table ends.
  if (!model.markLegend.empty()) {
    writeOut("<p class=\"vx-legenda legenda\">" + htmlAccents(model.markLegend) + "</p>");
  }
  if (model.footnoteLines.empty()) return;
  writeOut("<div class=\"vx-notas\">");
  for (const std::string& line : model.footnoteLines) writeOut(line);
  writeOut("</div>");
}
