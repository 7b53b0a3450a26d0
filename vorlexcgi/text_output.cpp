// The result as text: aligned columns inside the page (pre), separated values inside the page (prn
// and notebook), and the same separated table in the CSV copy.
#include "text_output.h"

#include <algorithm>
#include <cstdio>

#include "fixed_point.h"
#include "heading_block.h"
#include "number_text.h"
#include "output.h"
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

std::string quoted(std::string_view text) {
  std::string result = "\"";
  result += text;
  result += '"';
  return result;
}

std::string preNumber(const ResultModel& model, double value, int decimals) {
  return numberText(value, decimals, model.thousandsSeparator, model.decimalSeparator);
}

std::string pageFixedPoint(const ResultModel& model, double value, int decimals) {
  return fixedPointText(value, decimals, model.decimalSeparator, kPageDigits);
}

std::string notebookNumber(const ResultModel&, double value, int decimals) {
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

std::vector<std::string> columnLabels(const ResultModel& model) {
  std::vector<std::string> labels = model.columnLabels;
  if (!model.columnActive) {
    for (std::string& label : labels) label = trimSpaces(label);
  }
  return labels;
}

std::string choiceDisplayName(const std::string& choice) {
  return underscoresToSpaces(trimSpaces(cut(choice, kMaxName)));
}

std::string measureNamesRunTogether(const ResultModel& model) {
  std::string names;
  for (std::size_t m = 1; m < model.measureNames.size(); ++m) {
    names += underscoresToSpaces(model.measureNames[m]);
  }
  return names;
}

std::string selectionLine(const ResultSelection& selection) {
  std::string line = underscoresToSpaces(selection.title) + ":";
  bool first = true;
  for (const std::string& label : selection.chosen) {
    line += first ? " " : ", ";
    line += label;
    first = false;
  }
  return line;
}

void writePreformatted(const ResultModel& model) {
  writeHeadingBlock(model);
  writePreformattedText(model);
}

void writePreformattedText(const ResultModel& model) {
  const std::vector<std::string> labels = columnLabels(model);
  const int columns = model.columnCount;
  const bool totals = totalsColumnWritten(model);

  std::size_t rowLabelWidth = 15;
  for (int r = 1; r <= model.rowCount; ++r) {
    rowLabelWidth = std::max(rowLabelWidth, model.rowLabels[r].size());
  }
  // Room for a trailing "*" when cells may carry marks.
  const int markRoom = model.marks.empty() ? 0 : 1;
  std::vector<std::size_t> widths(static_cast<std::size_t>(columns) + 1);
  for (int c = 1; c <= columns; ++c) {
    const int width = numberWidth(model.columnDecimals[c], model.value(0, c)) + markRoom;
    widths[c] = std::max(static_cast<std::size_t>(width), labels[c].size() + 1);
  }
  std::size_t totalWidth = 0;
  if (model.columnActive) {
    totalWidth = static_cast<std::size_t>(
        std::max(numberWidth(model.columnDecimals[columns], model.value(0, 0)) + markRoom, 7));
  }
  const int totalDecimals = model.columnDecimals[1];

  writeLine(stdout, "<PRE>");
  std::string line;
  appendAligned(line, htmlAccents(model.rowTitle), model.rowTitle.size(), rowLabelWidth, false);
  for (int c = 1; c <= columns; ++c) {
    if (!columnWritten(model, c)) continue;
    appendAligned(line, htmlAccents(labels[c]), labels[c].size(), widths[c], true);
  }
  if (totals) appendRightAligned(line, "Total", totalWidth);
  writeLine(stdout, line);
  writeLine(stdout, "");

  for (int p = 1; p <= model.rowCount; ++p) {
    const int r = rowAtPosition(model, p);
    if (!rowWritten(model, r)) continue;
    const std::string& label = model.rowLabels[r];
    line.clear();
    appendAligned(line, htmlAccents(label), label.size(), rowLabelWidth, false);
    for (int c = 1; c <= columns; ++c) {
      if (!columnWritten(model, c)) continue;
      const double value = model.value(r, c);
      appendRightAligned(line,
                         markedText(model, r, c,
                                    value == 0 && model.zeroAsHyphen
                                        ? std::string("-")
                                        : preNumber(model, value, model.columnDecimals[c])),
                         widths[c]);
    }
    if (totals) {
      appendRightAligned(
          line, markedText(model, r, 0, preNumber(model, model.value(r, 0), totalDecimals)),
          totalWidth);
    }
    writeLine(stdout, line);
  }
  writeLine(stdout, "");

  if (model.totalRowShown) {
    line.clear();
    appendAligned(line, "TOTAL", 5, rowLabelWidth, false);
    for (int c = 1; c <= columns; ++c) {
      if (!columnWritten(model, c)) continue;
      appendRightAligned(
          line,
          markedText(model, 0, c, preNumber(model, model.value(0, c), model.columnDecimals[c])),
          widths[c]);
    }
    if (totals) {
      appendRightAligned(
          line, markedText(model, 0, 0, preNumber(model, model.value(0, 0), totalDecimals)),
          totalWidth);
    }
    writeLine(stdout, line);
  }
  if (!model.markLegend.empty()) {
    writeLine(stdout, "");
    writeLine(stdout, htmlAccents(model.markLegend));
  }
  writeLine(stdout, "</PRE>");
}

void writeSeparated(const ResultModel& model, char separator) {
  writeHeadingBlock(model);
  writeSeparatedText(model, separator);
}

void writeSeparatedText(const ResultModel& model, char separator) {
  writeLine(stdout, "<PRE>");
  // Natural row order: this text is for pasting into a spreadsheet, which sorts for itself.
  writeSeparatedTable(stdout, model,
                      {separator, LabelForm::html, LabelForm::html, false, pageFixedPoint});
  writeLine(stdout, "&");
  writeText(stdout, "</PRE>");
}

void writeNotebook(const ResultModel& model, char separator) {
  writeHeadingBlock(model);
  writeLine(stdout, "<PRE>");
  // The notebook reads every row and column, zero or not, with "." as the decimal point.
  writeSeparatedTable(stdout, model,
                      {separator, LabelForm::spaces, LabelForm::spaces, true, notebookNumber});
  writeText(stdout, "</PRE>");
}

void writeSeparatedTable(std::FILE* file, const ResultModel& model, const SeparatedLayout& layout) {
  const std::vector<std::string> labels = columnLabels(model);
  const int columns = model.columnCount;
  const bool totals = totalsColumnWritten(model);
  const int totalDecimals = model.columnDecimals[1];
  const char separator = layout.separator;
  auto written = [&](int c) { return layout.everyRowAndColumn || columnWritten(model, c); };
  auto cell = [&](int r, int c, int decimals) {
    return markedText(model, r, c, layout.number(model, model.value(r, c), decimals));
  };

  std::string line = quoted(labelText(model.rowTitle, layout.titleForm));
  for (int c = 1; c <= columns; ++c) {
    if (!written(c)) continue;
    line += separator;
    line += quoted(labelText(labels[c], layout.labelForm));
  }
  if (totals) line += separator + quoted("Total");
  writeLine(file, line);

  for (int r = 1; r <= model.rowCount; ++r) {
    if (!layout.everyRowAndColumn && !rowWritten(model, r)) continue;
    line = quoted(labelText(model.rowLabels[r], layout.labelForm));
    for (int c = 1; c <= columns; ++c) {
      if (!written(c)) continue;
      line += separator;
      line += cell(r, c, model.columnDecimals[c]);
    }
    if (totals) line += separator + cell(r, 0, totalDecimals);
    writeLine(file, line);
  }

  if (model.totalRowShown) {
    line = quoted("Total");
    for (int c = 1; c <= columns; ++c) {
      if (!written(c)) continue;
      line += separator;
      line += cell(0, c, model.columnDecimals[c]);
    }
    if (totals) line += separator + cell(0, 0, totalDecimals);
    writeLine(file, line);
  }
  // Quoted: the legend separates its entries with ";".
  if (!model.markLegend.empty())
    writeLine(file, quoted(labelText(model.markLegend, layout.labelForm)));
}

std::string copyFixedPoint(const ResultModel& model, double value, int decimals) {
  return fixedPointText(value, decimals, model.decimalSeparator, kCopyDigits);
}

Status writeCopyFile(const std::string& path, const std::function<void(std::FILE*)>& write) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return Failure{kNoCopyPermission};
  write(file);
  Status failure = writeFailure(file);
  if (std::fclose(file) != 0 && !failure) failure = runtimeError("falha ao gravar " + path);
  return failure;
}

Status writeCsvCopy(const ResultModel& model, const std::string& path, char separator) {
  return writeCopyFile(path, [&](std::FILE* file) {
    writeLine(file, model.title);
    // " por " and " e " are the same in every language.
    std::string line =
        measureNamesRunTogether(model) + " por " + choiceDisplayName(model.rowChoice);
    if (model.columnActive) line += " e " + choiceDisplayName(model.columnChoice);
    writeLine(file, line);
    for (const ResultSelection& selection : model.selections)
      writeLine(file, selectionLine(selection));
    writeLine(file, "Per\xEDodo:" + model.periodText);

    writeSeparatedTable(
        file, model, {separator, LabelForm::spaces, LabelForm::unchanged, false, copyFixedPoint});
  });
}
