#include "text_output.h"

#include <algorithm>
#include <cstdio>

#include "fixed_point.h"
#include "html_table.h"
#include "number_text.h"
#include "periods.h"
#include "postprocess.h"
#include "text_helpers.h"
#include "text_limits.h"

namespace {

// `text` as written, aligned by `length`, the length of the label before htmlAccents, so that
// the columns line up as the browser shows the entities. A narrower width cuts nothing.
void appendAligned(std::string& line, std::string_view text, std::size_t length, std::size_t width,
                   bool right) {
  const std::size_t fill = width > length ? width - length : 0;
  if (right) line.append(fill, ' ');
  line += text;
  if (!right) line.append(fill, ' ');
}

void appendRightAligned(std::string& line, std::string_view text, std::size_t width) {
  appendAligned(line, text, text.size(), width, true);
}

// Position p of the pre format and the tables: a sorted order is read from its end, so the
// largest total comes first.
int rowAtPosition(const TabulationState& state, int position) {
  return state.sortRows ? state.rowOrder[state.rowCount + 1 - position] : position;
}

std::string quoted(std::string_view text) {
  std::string result = "\"";
  result += text;
  result += '"';
  return result;
}

std::string preNumber(const TabulationState& state, double value, int decimals) {
  return numberText(value, decimals, state.thousandsSeparator, state.decimalSeparator);
}

std::string pageFixedPoint(const TabulationState& state, double value, int decimals) {
  return fixedPointText(value, decimals, state.decimalSeparator, kPageDigits);
}

std::string notebookNumber(const TabulationState&, double value, int decimals) {
  return plainNumberText(value, decimals, '.');
}

std::string labelText(const std::string& label, LabelForm form) {
  switch (form) {
    case LabelForm::html:
      return htmlAccents(label);
    case LabelForm::spaces:
      return underscoresToSpaces(label);
    case LabelForm::unchanged:
      break;
  }
  return label;
}

}  // namespace

std::string underscoresToSpaces(std::string_view text) {
  std::string result = cut(text, kMaxText);
  for (char& c : result) {
    if (c == '_') c = ' ';
  }
  return result;
}

int numberWidth(int decimals, double value) {
  // The loop divides at least once, so every value below 10 counts one digit; the cap keeps an
  // infinite value from looping for ever.
  int digits = 0;
  do {
    value /= 10;
    ++digits;
  } while (value >= 1 && digits < 400);
  return digits + digits / 3 + decimals + 2;
}

std::vector<std::string> columnLabels(const TabulationState& state) {
  std::vector<std::string> labels(static_cast<std::size_t>(state.columnCount) + 1);
  for (int c = 1; c <= state.columnCount; ++c) {
    if (state.columnActive) {
      if (c < static_cast<int>(state.columnDimension.categoryNames.size())) {
        labels[c] = state.columnDimension.categoryNames[c];
      }
    } else if (c < static_cast<int>(state.measures.size())) {
      labels[c] = trimSpaces(state.measures[c].name);
    }
  }
  return labels;
}

bool rowWritten(const TabulationState& state, int row) {
  return state.showZeroRows || rowHasValue(state, row);
}

std::string choiceDisplayName(const std::string& choice) {
  return underscoresToSpaces(trimSpaces(cut(choice, kMaxName)));
}

std::string measureNamesRunTogether(const TabulationState& state) {
  std::string names;
  for (int m = 1; m <= state.measureCount; ++m)
    names += underscoresToSpaces(state.measures[m].name);
  return names;
}

std::string selectionLine(const SelectionFilter& selection) {
  std::string line = underscoresToSpaces(selection.dimension.title) + ":";
  bool first = true;
  for (int k = 1; k <= selection.dimension.categoryCount; ++k) {
    if (k >= static_cast<int>(selection.selected.size()) || !selection.selected[k]) continue;
    line += first ? " " : ", ";
    line += selection.dimension.categoryNames[k];
    first = false;
  }
  return line;
}

void writePreformatted(TabulationState& state) {
  writeHeadingBlock(state);
  const std::vector<std::string> labels = columnLabels(state);
  const int columns = state.columnCount;
  const bool totals = totalsColumnWritten(state);

  std::size_t rowLabelWidth = 15;
  for (int r = 1; r <= state.rowCount; ++r) {
    rowLabelWidth = std::max(rowLabelWidth, state.rowDimension.categoryNames[r].size());
  }
  std::vector<std::size_t> widths(static_cast<std::size_t>(columns) + 1);
  for (int c = 1; c <= columns; ++c) {
    const int width = numberWidth(state.columnDecimals[c], state.columnTotals[c]);
    widths[c] = std::max(static_cast<std::size_t>(width), labels[c].size() + 1);
  }
  std::size_t totalWidth = 0;
  if (state.columnActive) {
    totalWidth = static_cast<std::size_t>(
        std::max(numberWidth(state.columnDecimals[columns], state.grandTotal), 7));
  }
  const int totalDecimals = state.columnDecimals[1];

  writeLine(stdout, "<PRE>");
  std::string line;
  appendAligned(line, htmlAccents(state.rowDimension.title), state.rowDimension.title.size(),
                rowLabelWidth, false);
  for (int c = 1; c <= columns; ++c) {
    if (!columnWritten(state, c)) continue;
    appendAligned(line, htmlAccents(labels[c]), labels[c].size(), widths[c], true);
  }
  if (totals) appendRightAligned(line, "Total", totalWidth);
  writeLine(stdout, line);
  writeLine(stdout, "");

  for (int p = 1; p <= state.rowCount; ++p) {
    const int r = rowAtPosition(state, p);
    if (!rowWritten(state, r)) continue;
    const std::string& label = state.rowDimension.categoryNames[r];
    line.clear();
    appendAligned(line, htmlAccents(label), label.size(), rowLabelWidth, false);
    for (int c = 1; c <= columns; ++c) {
      if (!columnWritten(state, c)) continue;
      const double value = state.valueCells[c][r];
      appendRightAligned(line,
                         value == 0 && state.zeroAsHyphen
                             ? std::string("-")
                             : preNumber(state, value, state.columnDecimals[c]),
                         widths[c]);
    }
    if (totals) {
      appendRightAligned(line, preNumber(state, state.rowTotals[r], totalDecimals), totalWidth);
    }
    writeLine(stdout, line);
  }
  writeLine(stdout, "");

  if (state.showTotalRow) {
    line.clear();
    appendAligned(line, "TOTAL", 5, rowLabelWidth, false);
    for (int c = 1; c <= columns; ++c) {
      if (!columnWritten(state, c)) continue;
      appendRightAligned(line, preNumber(state, state.columnTotals[c], state.columnDecimals[c]),
                         widths[c]);
    }
    if (totals) {
      appendRightAligned(line, preNumber(state, state.grandTotal, totalDecimals), totalWidth);
    }
    writeLine(stdout, line);
  }
  writeLine(stdout, "</PRE>");
}

void writeSeparated(TabulationState& state, char separator) {
  writeHeadingBlock(state);
  writeLine(stdout, "<PRE>");
  // Natural row order: this text is for pasting into a spreadsheet, which sorts for itself.
  writeSeparatedTable(stdout, state,
                      {separator, LabelForm::html, LabelForm::html, false, pageFixedPoint});
  writeLine(stdout, "&");
  writeText(stdout, "</PRE>");
}

void writeNotebook(TabulationState& state, char separator) {
  writeHeadingBlock(state);
  writeLine(stdout, "<PRE>");
  // The notebook reads every row and column, zero or not, with "." as the decimal point.
  writeSeparatedTable(stdout, state,
                      {separator, LabelForm::spaces, LabelForm::spaces, true, notebookNumber});
  writeText(stdout, "</PRE>");
}

void writeSeparatedTable(std::FILE* file, const TabulationState& state,
                         const SeparatedLayout& layout) {
  const std::vector<std::string> labels = columnLabels(state);
  const int columns = state.columnCount;
  const bool totals = totalsColumnWritten(state);
  const int totalDecimals = state.columnDecimals[1];
  const char separator = layout.separator;
  auto written = [&](int c) { return layout.everyRowAndColumn || columnWritten(state, c); };

  std::string line = quoted(labelText(state.rowDimension.title, layout.titleForm));
  for (int c = 1; c <= columns; ++c) {
    if (!written(c)) continue;
    line += separator;
    line += quoted(labelText(labels[c], layout.labelForm));
  }
  if (totals) line += separator + quoted("Total");
  writeLine(file, line);

  for (int r = 1; r <= state.rowCount; ++r) {
    if (!layout.everyRowAndColumn && !rowWritten(state, r)) continue;
    line = quoted(labelText(state.rowDimension.categoryNames[r], layout.labelForm));
    for (int c = 1; c <= columns; ++c) {
      if (!written(c)) continue;
      line += separator;
      line += layout.number(state, state.valueCells[c][r], state.columnDecimals[c]);
    }
    if (totals) line += separator + layout.number(state, state.rowTotals[r], totalDecimals);
    writeLine(file, line);
  }

  if (state.showTotalRow) {
    line = quoted("Total");
    for (int c = 1; c <= columns; ++c) {
      if (!written(c)) continue;
      line += separator;
      line += layout.number(state, state.columnTotals[c], state.columnDecimals[c]);
    }
    if (totals) line += separator + layout.number(state, state.grandTotal, totalDecimals);
    writeLine(file, line);
  }
}

std::string copyFixedPoint(const TabulationState& state, double value, int decimals) {
  return fixedPointText(value, decimals, state.decimalSeparator, kCopyDigits);
}

bool writeCsvCopy(const TabulationState& state, const std::string& path, char separator) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  writeLine(file, state.title);
  // " por " and " e " are the same in every language.
  std::string line = measureNamesRunTogether(state) + " por " + choiceDisplayName(state.rowChoice);
  if (state.columnActive) line += " e " + choiceDisplayName(state.columnChoice);
  writeLine(file, line);
  for (int s = 1; s <= state.selectionCount; ++s)
    writeLine(file, selectionLine(state.selections[s]));
  writeLine(file, "Per\xEDodo:" + periodDescription(state.periodCodes, state.language));

  writeSeparatedTable(file, state,
                      {separator, LabelForm::spaces, LabelForm::unchanged, false, copyFixedPoint});
  if (std::fclose(file) != 0) runtimeFailure("falha ao gravar " + path);
  return true;
}
