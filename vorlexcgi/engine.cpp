// The tabulation engine: reads one data file (only the record ranges of the selected
// municipalities when a current municipality index names a selection), passes each record
// through the selections, classifies it into a row and a column and adds its measures into the
// cells. The per-record path touches only the record bytes: fields are resolved once per file
// and every category lookup goes through a small memo in front of categoryOf. A file whose
// column file is current is read from that instead (column_scan.h), where it can be.
#include "engine.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "column_scan.h"
#include "dbf_table.h"
#include "file_search.h"
#include "index_layout.h"
#include "text_helpers.h"
#include "text_limits.h"

namespace {

struct MeasureField {
  std::size_t value = 0;  // in FilePlan::numbers
  bool rate = false;
  std::size_t divisor = 0;
};

bool passes(FieldClassifier& field, const char* record) {
  const auto category = static_cast<std::size_t>(classify(field, record + field.fieldOffset));
  return category < field.selected->size() && (*field.selected)[category];
}

// Everything the per-record path needs, resolved for the open table.
struct FilePlan {
  FieldClassifier row, column;
  std::vector<FieldClassifier> selections;  // in selections order, from index 0
  std::vector<MeasureField> measures;       // measures[1..measureCount]
  std::vector<NumberField> numbers;
};

// The shared entry of a field (0: the record count).
std::size_t numberField(FilePlan& plan, const DbfTable& table, int fieldNumber) {
  const int offset = fieldNumber == 0 ? 0 : table.fields[fieldNumber].offset;
  const int length = fieldNumber == 0 ? 0 : table.fields[fieldNumber].length;
  for (std::size_t k = 0; k < plan.numbers.size(); ++k) {
    if (plan.numbers[k].offset == offset && plan.numbers[k].length == length) return k;
  }
  NumberField field;
  field.offset = offset;
  field.length = length;
  field.mask = codeMask(length);
  plan.numbers.push_back(field);
  return plan.numbers.size() - 1;
}

double valueOf(NumberField& field, const char* record) {
  return numberAt(field, record + field.offset);
}

// `times` counts identical records at once: the blank records past the end of the file. Each adds
// 0 or 1 per cell, so one product equals that many additions.
void classifyRecord(TabulationState& state, FilePlan& plan, const char* record, double times = 1) {
  for (FieldClassifier& selection : plan.selections) {
    if (!passes(selection, record)) return;
  }
  const int row = classify(plan.row, record + plan.row.fieldOffset);
  if (state.columnActive) {
    if (state.measureCount == 0) return;
    const int column = classify(plan.column, record + plan.column.fieldOffset);
    if (!state.countCells.empty()) state.countCells[column][row] += times;
    const MeasureField& measure = plan.measures[1];
    state.valueCells[column][row] += valueOf(plan.numbers[measure.value], record) * times;
    if (measure.rate) {
      state.divisorCells[column][row] += valueOf(plan.numbers[measure.divisor], record) * times;
    }
    return;
  }
  if (!state.countCells.empty()) state.countCells[1][row] += times;
  for (int m = 1; m <= state.measureCount; ++m) {
    const MeasureField& measure = plan.measures[m];
    state.valueCells[m][row] += valueOf(plan.numbers[measure.value], record) * times;
    if (measure.rate) {
      state.divisorCells[m][row] += valueOf(plan.numbers[measure.divisor], record) * times;
    }
  }
}

// Records first..last; nothing when last < first. A header may claim far more records than the
// file holds; those all read as one blank record, classified once for the lot.
Status readRecords(TabulationState& state, FilePlan& plan, DbfTable& table, std::int32_t first,
                   std::int32_t last) {
  std::int64_t n = first;
  for (; n <= last && n <= table.recordsHeld; ++n) {
    if (Status failure = readDBF(table, static_cast<std::int32_t>(n))) return failure;
    classifyRecord(state, plan, table.currentRecord);
  }
  const std::int64_t blankLast = std::min(last, table.recordCount);
  if (n <= blankLast) {
    if (Status failure = readDBF(table, static_cast<std::int32_t>(n))) return failure;
    classifyRecord(state, plan, table.currentRecord, static_cast<double>(blankLast - n + 1));
    n = blankLast + 1;
  }
  // A number the table does not have: the reader refuses it.
  if (n <= last) return readDBF(table, static_cast<std::int32_t>(n));
  return std::nullopt;
}

// How one file's records are read: from its column file where the planner found one fit, and
// otherwise, and for what a column file does not hold, from the table.
struct FileReader {
  TabulationState& state;
  FilePlan& plan;
  DbfTable& table;
  ColumnQueue& queue;
  ColumnScan* columns;  // held by the queue; null: the records are read
};

// Records first..last as readRecords reads them. The held records come from the column file; the
// blank records after them, a number the table does not have and the failure it brings are the
// record path's, which first lets every range queued before it into the cells.
Status readRange(FileReader& reader, std::int32_t first, std::int32_t last) {
  if (first > last) return std::nullopt;
  std::int32_t next = first;
  if (reader.columns != nullptr && first >= 1) {
    const std::int32_t held = std::min(last, reader.table.recordsHeld);
    queueColumnRange(reader.state, reader.queue, *reader.columns, first, held);
    next = std::max(first, held + 1);
  }
  if (next > last) return std::nullopt;
  runColumnQueue(reader.state, reader.queue);
  return readRecords(reader.state, reader.plan, reader.table, next, last);
}

bool resolveDimension(const DbfTable& table, Dimension& dimension, const NoteSink& notes) {
  dimension.fieldNumber = static_cast<std::uint16_t>(lastFieldNamed(table, dimension.fieldName));
  if (dimension.fieldNumber != 0) return true;
  notes(
      cut(tableMessage(dimension.fieldName + " nao encontrado em ", table.fileName, ""), kMaxText));
  return false;
}

// 0 counts records; -1 when the field is not in the table.
int measureField(const DbfTable& table, const std::string& name) {
  if (trimSpaces(name) == "#") return 0;
  const int number = fieldIndex(table, name);
  return number == 0 ? -1 : number;
}

// Modification time in even seconds, the two-second form the index comparison has always used.
bool evenSeconds(const std::string& path, long long& seconds) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return false;
  seconds = static_cast<long long>(info.st_mtime);
  seconds -= ((seconds % 2) + 2) % 2;
  return true;
}

// The index selection (1..selectionCount) when the file's municipality index may be used,
// else 0; `indexText` receives the index file.
int usableIndex(const TabulationState& state, const std::string& dataPath, std::string& indexText) {
  bool opened = false;
  if (state.selectionCount == 0) return 0;
  const std::string dataFile = findFile(dataPath);
  const std::string indexFile = findFile(replaceExtension(dataPath, ".IXM"));
  if (dataFile.empty() || indexFile.empty()) return 0;
  long long dataTime = 0, indexTime = 0;
  if (!evenSeconds(dataFile, dataTime) || !evenSeconds(indexFile, indexTime)) return 0;
  if (indexTime < dataTime) return 0;
  // An index that cannot be read is not used: the data file is read whole.
  if (readWholeFile(indexFile, indexText, opened) || !opened) return 0;
  const std::vector<std::string_view> lines = splitLines(indexText);
  if (lines.empty()) return 0;
  const std::string header = cut(lines[0], kMaxText);
  for (int s = 1; s <= state.selectionCount; ++s) {
    if (state.selections[s].dimension.fieldName == header) return s;
  }
  return 0;
}

// Reads one data file: the record path as it stands, or the column path's ranges queued.
Status tabulateQueued(TabulationState& state, const std::string& path, const NoteSink& notes,
                      ColumnQueue& queue) {
  DbfTable table;
  if (Status failure = OpenDBF(table, path)) return failure;

  bool dimensionsFound = resolveDimension(table, state.rowDimension, notes);
  if (state.columnActive) {
    dimensionsFound = resolveDimension(table, state.columnDimension, notes) && dimensionsFound;
  }
  for (int s = 1; s <= state.selectionCount; ++s) {
    dimensionsFound =
        resolveDimension(table, state.selections[s].dimension, notes) && dimensionsFound;
  }
  // A record cannot be classified by a field the file lacks: the file is left out.
  if (!dimensionsFound) return std::nullopt;

  FilePlan plan;
  plan.measures.resize(static_cast<std::size_t>(state.measureCount) + 1);
  for (int m = 1; m <= state.measureCount; ++m) {
    MeasureSpec& measure = state.measures[m];
    const int value = measureField(table, measure.valueField);
    if (value < 0) {
      notes(tableMessage("Campo Incremento " + measure.valueField + " nao encontrado em ",
                         table.fileName, ""));
      return std::nullopt;
    }
    measure.valueFieldNumber = value;
    plan.measures[m].value = numberField(plan, table, value);
    if (measure.isRate) {
      const int divisor = measureField(table, measure.secondField);
      if (divisor < 0) {
        notes(tableMessage("Campo Divisor " + measure.secondField + " nao encontrado em ",
                           table.fileName, ""));
        return std::nullopt;
      }
      measure.secondFieldNumber = divisor;
      plan.measures[m].rate = true;
      plan.measures[m].divisor = numberField(plan, table, divisor);
    }
  }

  // The last file whose measure fields were all found decides the decimals.
  if (state.columnDecimals.size() < static_cast<std::size_t>(state.columnCount) + 1) {
    state.columnDecimals.resize(static_cast<std::size_t>(state.columnCount) + 1, 0);
  }
  auto fieldDecimals = [&](const MeasureSpec& measure) {
    if (measure.isRate) return measure.decimals;
    return measure.valueFieldNumber == 0 ? 0 : int{table.fields[measure.valueFieldNumber].decimals};
  };
  if (!state.columnActive) {
    for (int m = 1; m <= state.measureCount; ++m) {
      state.columnDecimals[m] = fieldDecimals(state.measures[m]);
    }
  } else if (state.measureCount >= 1) {
    const int decimals = fieldDecimals(state.measures[1]);
    for (int c = 1; c <= state.columnCount; ++c) state.columnDecimals[c] = decimals;
  }

  auto prepare = [&](FieldClassifier& field, const Dimension& dimension,
                     const std::vector<bool>* selected) {
    const DbfField& dbfField = table.fields[dimension.fieldNumber];
    prepareClassifier(field, dimension, dbfField.offset, dbfField.length, selected, notes);
  };
  prepare(plan.row, state.rowDimension, nullptr);
  if (state.columnActive) prepare(plan.column, state.columnDimension, nullptr);
  plan.selections.resize(static_cast<std::size_t>(state.selectionCount));
  for (int s = 1; s <= state.selectionCount; ++s) {
    const SelectionFilter& selection = state.selections[s];
    prepare(plan.selections[s - 1], selection.dimension, &selection.selected);
  }

  FileReader reader{state, plan, table, queue, nullptr};
  // The queue holds the scan from now on: its ranges may wait until after the table closes.
  if (std::unique_ptr<ColumnScan> scan = planColumnScan(state, table, path)) {
    reader.columns = scan.get();
    queue.scans.push_back(std::move(scan));
  }

  std::string indexText;
  const int indexSelection = usableIndex(state, path, indexText);
  if (indexSelection > 0) {
    const SelectionFilter& selection = state.selections[indexSelection];
    const std::vector<std::string_view> lines = splitLines(indexText);
    const Dimension& dimension = selection.dimension;
    for (std::size_t i = 1; i < lines.size(); ++i) {
      IndexEntry entry;
      entry.code = lines[i].substr(0, kIndexCodeWidth);
      int category = categoryOf(dimension, entry.code);
      if (category == kUnreadableValue && dimension.mappingKind == MappingKind::thresholds) {
        category = unreadableValue(dimension, entry.code, notes);
      }
      const auto slot = static_cast<std::size_t>(category);
      if (slot >= selection.selected.size() || !selection.selected[slot]) continue;
      if (Status failure = readIndexLine(lines[i], entry)) return failure;
      if (Status failure = readRange(reader, entry.first, entry.last)) return failure;
    }
  } else if (Status failure = readRange(reader, 1, table.recordCount)) {
    return failure;
  }
  return std::nullopt;
}

}  // namespace

double measureValue(std::string_view text) { return fieldMeasure(text); }

Status tabulateFile(TabulationState& state, const std::string& path, const NoteSink& notes) {
  return tabulateDataFiles(state, {path}, notes);
}

Status tabulateDataFiles(TabulationState& state, const std::vector<std::string>& paths,
                         const NoteSink& notes) {
  ColumnQueue queue;
  queue.rule = state.settings.threads;
  for (const std::string& path : paths) {
    if (Status failure = tabulateQueued(state, path, notes, queue)) return failure;
  }
  runColumnQueue(state, queue);
  return std::nullopt;
}
