// The tabulation engine: reads one data file (only the record ranges of the selected
// municipalities when a current municipality index names a selection), passes each record
// through the selections, classifies it into a row and a column and adds its measures into the
// cells. The per-record path touches only the record bytes: fields are resolved once per file
// and every category lookup goes through a small memo in front of categoryOf.
#include "engine.h"

#include <sys/stat.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "dbf_table.h"
#include "file_search.h"
#include "index_layout.h"
#include "text_helpers.h"
#include "text_limits.h"

namespace {

constexpr int kMemoBits = 12;
constexpr std::size_t kMemoSize = std::size_t{1} << kMemoBits;
constexpr std::size_t kMaxMeasureText = 31;

// Classifies one field of the records of the open table. Codes of up to 8 bytes are memoized
// by their bytes (categoryOf depends on nothing else); longer codes remember the last code, which
// pays off because data files are sorted by their main code.
struct FieldClassifier {
  const Dimension* dimension = nullptr;
  const NoteSink* notes = nullptr;  // where an unreadable threshold value is reported
  const std::vector<bool>* selected = nullptr;  // a selection's flags; null for row and column
  int fieldOffset = 0, fieldLength = 0;         // within the record, deletion mark at 0
  int codeOffset = 0, codeLength = 0;           // the code within the field
  bool memoized = false;
  std::uint64_t codeMask = 0;
  std::vector<std::uint64_t> keys;
  std::vector<std::int32_t> categories;  // -1: slot empty
  std::string lastCode;
  int lastCategory = -1;
};

// A numeric field the measures add. Records come sorted by their main code, so a field such as
// a population repeats from record to record: a field of up to 8 bytes remembers its last text
// and value. Measures naming the same field share one, so it is read once per record.
struct NumberField {
  int offset = 0, length = 0;  // length 0 counts records
  std::uint64_t mask = 0;
  std::uint64_t lastText = 0;
  double lastValue = 0;
  bool known = false;
};

struct MeasureField {
  std::size_t value = 0;  // in FilePlan::numbers
  bool rate = false;
  std::size_t divisor = 0;
};

// The code's bytes as one number: one 8-byte load, masked to the code. The record buffer keeps
// readable slack after its last record, so the load never leaves it.
std::uint64_t packedCode(const char* code, std::uint64_t mask) {
  std::uint64_t word = 0;
  std::memcpy(&word, code, sizeof word);
  return word & mask;
}

// The bits of an 8-byte load that hold the first `length` bytes.
std::uint64_t codeMask(int length) {
  if (length >= 8) return ~std::uint64_t{0};
  const std::uint64_t low = (std::uint64_t{1} << (8 * length)) - 1;
  return std::endian::native == std::endian::little ? low : ~(~std::uint64_t{0} >> (8 * length));
}

// Whether categoryOf may be answered from memory for this code: tables and dictionaries always;
// a threshold dimension only for a readable number, so that an unreadable one is reported for
// every record as before.
bool memoizable(const Dimension& dimension, std::string_view code) {
  if (dimension.mappingKind != MappingKind::thresholds) return true;
  double value = 0;
  return tryReal(trimSpaces(code), value);
}

// The category of a threshold dimension's value that is not a number: the record is reported,
// once per record, and counts in no category.
int unreadableValue(const Dimension& dimension, std::string_view fieldText,
                    const NoteSink& notes) {
  const std::size_t start = dimension.codeStart > 0 ? dimension.codeStart - 1u : 0u;
  const std::string_view code =
      start < fieldText.size() ? fieldText.substr(start, dimension.codeWidth) : std::string_view();
  notes(std::string(code) + ":Valor Inv\xE1lido em " + dimension.fieldName);
  return dimension.categoryCount + 1;
}

// categoryOf within 1..categoryCount + 1, so that a cell index never leaves the arrays; any
// other answer counts as a value in no category.
int checkedCategory(const Dimension& dimension, std::string_view fieldText,
                    const NoteSink& notes) {
  int category = categoryOf(dimension, fieldText);
  if (category == kUnreadableValue && dimension.mappingKind == MappingKind::thresholds) {
    category = unreadableValue(dimension, fieldText, notes);
  }
  const int outside = (dimension.categoryCount > 0 ? dimension.categoryCount : 0) + 1;
  return category >= 1 && category <= outside ? category : outside;
}

int classify(FieldClassifier& field, const char* record) {
  const std::string_view fieldText(record + field.fieldOffset,
                                   static_cast<std::size_t>(field.fieldLength));
  const char* code = record + field.fieldOffset + field.codeOffset;
  const std::string_view codeText(code, static_cast<std::size_t>(field.codeLength));
  if (field.memoized) {
    const std::uint64_t key = packedCode(code, field.codeMask);
    const std::size_t slot = static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ULL) >>
                                                      (64 - kMemoBits));
    if (field.categories[slot] >= 0 && field.keys[slot] == key) return field.categories[slot];
    const int category = checkedCategory(*field.dimension, fieldText, *field.notes);
    if (memoizable(*field.dimension, codeText)) {
      field.keys[slot] = key;
      field.categories[slot] = category;
    }
    return category;
  }
  if (field.lastCategory >= 0 && codeText == field.lastCode) return field.lastCategory;
  const int category = checkedCategory(*field.dimension, fieldText, *field.notes);
  if (memoizable(*field.dimension, codeText)) {
    field.lastCode.assign(codeText);
    field.lastCategory = category;
  }
  return category;
}

bool passes(FieldClassifier& field, const char* record) {
  const auto category = static_cast<std::size_t>(classify(field, record));
  return category < field.selected->size() && (*field.selected)[category];
}

void prepareClassifier(FieldClassifier& field, const Dimension& dimension,
                       const DbfField& dbfField, const std::vector<bool>* selected,
                       const NoteSink& notes) {
  field.dimension = &dimension;
  field.notes = &notes;
  field.selected = selected;
  field.fieldOffset = dbfField.offset;
  field.fieldLength = dbfField.length;
  const int start = dimension.codeStart > 0 ? dimension.codeStart - 1 : 0;
  field.codeOffset = start < field.fieldLength ? start : field.fieldLength;
  const int room = field.fieldLength - field.codeOffset;
  field.codeLength = dimension.codeWidth < room ? dimension.codeWidth : room;
  field.memoized = field.codeLength <= 8;
  if (field.memoized) {
    field.codeMask = codeMask(field.codeLength);
    field.keys.assign(kMemoSize, 0);
    field.categories.assign(kMemoSize, -1);
  }
}

double fieldMeasure(const char* record, int offset, int length) {
  if (length == 0) return 1;
  const char* text = record + offset;
  std::size_t begin = 0, end = static_cast<std::size_t>(length);
  while (begin < end && text[begin] == ' ') ++begin;
  while (end > begin && text[end - 1] == ' ') --end;
  if (end - begin > kMaxMeasureText) end = begin + kMaxMeasureText;
  double value = 0;
  if (begin == end || !parseDecimal(std::string_view(text + begin, end - begin), value)) return 0;
  return value;
}

double numberAt(NumberField& field, const char* record) {
  if (field.length > 8) return fieldMeasure(record, field.offset, field.length);
  if (field.length == 0) return 1;
  const std::uint64_t text = packedCode(record + field.offset, field.mask);
  if (field.known && text == field.lastText) return field.lastValue;
  field.lastValue = fieldMeasure(record, field.offset, field.length);
  field.lastText = text;
  field.known = true;
  return field.lastValue;
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

// `times` counts identical records at once: the blank records past the end of the file. Each adds
// 0 or 1 per cell, so one product equals that many additions.
void classifyRecord(TabulationState& state, FilePlan& plan, const char* record, double times = 1) {
  for (FieldClassifier& selection : plan.selections) {
    if (!passes(selection, record)) return;
  }
  const int row = classify(plan.row, record);
  if (state.columnActive) {
    if (state.measureCount == 0) return;
    const int column = classify(plan.column, record);
    if (!state.countCells.empty()) state.countCells[column][row] += times;
    const MeasureField& measure = plan.measures[1];
    state.valueCells[column][row] += numberAt(plan.numbers[measure.value], record) * times;
    if (measure.rate) {
      state.divisorCells[column][row] += numberAt(plan.numbers[measure.divisor], record) * times;
    }
    return;
  }
  if (!state.countCells.empty()) state.countCells[1][row] += times;
  for (int m = 1; m <= state.measureCount; ++m) {
    const MeasureField& measure = plan.measures[m];
    state.valueCells[m][row] += numberAt(plan.numbers[measure.value], record) * times;
    if (measure.rate) {
      state.divisorCells[m][row] += numberAt(plan.numbers[measure.divisor], record) * times;
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

bool resolveDimension(const DbfTable& table, Dimension& dimension, const NoteSink& notes) {
  dimension.fieldNumber = static_cast<std::uint16_t>(lastFieldNamed(table, dimension.fieldName));
  if (dimension.fieldNumber != 0) return true;
  notes(cut(tableMessage(dimension.fieldName + " nao encontrado em ", table.fileName, ""),
            kMaxText));
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
int usableIndex(const TabulationState& state, const std::string& dataPath,
                std::string& indexText) {
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

}  // namespace

double measureValue(std::string_view text) {
  const std::string trimmed = cut(trimSpaces(text), kMaxMeasureText);
  double value = 0;
  if (trimmed.empty() || !parseDecimal(trimmed, value)) return 0;
  return value;
}

Status tabulateFile(TabulationState& state, const std::string& path, const NoteSink& notes) {
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

  prepareClassifier(plan.row, state.rowDimension, table.fields[state.rowDimension.fieldNumber],
                    nullptr, notes);
  if (state.columnActive) {
    prepareClassifier(plan.column, state.columnDimension,
                      table.fields[state.columnDimension.fieldNumber], nullptr, notes);
  }
  plan.selections.resize(static_cast<std::size_t>(state.selectionCount));
  for (int s = 1; s <= state.selectionCount; ++s) {
    const SelectionFilter& selection = state.selections[s];
    prepareClassifier(plan.selections[s - 1], selection.dimension,
                      table.fields[selection.dimension.fieldNumber], &selection.selected, notes);
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
      if (Status failure = readRecords(state, plan, table, entry.first, entry.last)) {
        return failure;
      }
    }
    return std::nullopt;
  }
  return readRecords(state, plan, table, 1, table.recordCount);
}
