#include "column_scan.h"

#include <algorithm>
#include <cstring>
#include <numeric>

#include "thread_split.h"

namespace {

// Blocks a thread may have read ahead of the one being added: slack for a thread that the
// system holds back a while.
constexpr std::size_t kSlotsPerThread = 4;

// The raw classifiers of the column path never report (a threshold dimension with a raw column
// stays on the record path), but the classifier wants somewhere to.
const NoteSink kNowhere = [](std::string_view) {};

std::uint32_t twoByteCode(const unsigned char* code) {
  return static_cast<std::uint32_t>(code[0] | code[1] << 8);
}

// Calls `use(k, code)` for the records first + records[k], k < count, of a dictionary column;
// codes past the entries come as entryCount.
template <typename Use>
void forEachCode(const FieldColumn& column, std::int32_t first, const std::int32_t* records,
                 std::size_t count, Use use) {
  const std::uint32_t limit = column.entryCount;
  if (column.codeWidth == 1) {
    const unsigned char* codes = column.codes + (first - 1);
    for (std::size_t k = 0; k < count; ++k) {
      use(k, std::min<std::uint32_t>(codes[records[k]], limit));
    }
    return;
  }
  const unsigned char* codes = column.codes + std::size_t{2} * static_cast<std::size_t>(first - 1);
  for (std::size_t k = 0; k < count; ++k) {
    use(k, std::min(twoByteCode(codes + std::size_t{2} * static_cast<std::size_t>(records[k])),
                    limit));
  }
}

// The bytes of record first + offset in a raw column.
const char* rawValue(const FieldColumn& column, std::int32_t first, std::int32_t offset) {
  return column.values +
         static_cast<std::size_t>(first - 1 + offset) * static_cast<std::size_t>(column.length);
}

std::uint8_t passesCategory(const std::vector<bool>& selected, int category) {
  const auto slot = static_cast<std::size_t>(category);
  return slot < selected.size() && selected[slot] ? 1 : 0;
}

// Plans one dimension read from `column`; false when a record could need a line in the page.
bool planDimension(ColumnDimension& planned, const Dimension& dimension, const FieldColumn& column,
                   const std::vector<bool>* selected) {
  planned.column = &column;
  const int outside = (dimension.categoryCount > 0 ? dimension.categoryCount : 0) + 1;
  if (column.encoding == ColumnEncoding::raw) {
    if (dimension.mappingKind == MappingKind::thresholds) return false;
    prepareClassifier(planned.raw, dimension, 0, column.length, selected, kNowhere);
    if (selected != nullptr) {
      planned.passes.resize(static_cast<std::size_t>(outside) + 1);
      for (int category = 0; category <= outside; ++category) {
        planned.passes[static_cast<std::size_t>(category)] = passesCategory(*selected, category);
      }
    }
    return true;
  }
  bool reported = false;
  const NoteSink flag = [&](std::string_view) { reported = true; };
  planned.categories.resize(std::size_t{column.entryCount} + 1);
  for (std::uint32_t code = 0; code < column.entryCount; ++code) {
    planned.categories[code] = checkedCategory(dimension, dictionaryEntry(column, code), flag);
  }
  planned.categories[column.entryCount] = outside;
  if (reported) return false;
  if (selected != nullptr) {
    planned.passes.resize(planned.categories.size());
    for (std::size_t code = 0; code < planned.categories.size(); ++code) {
      planned.passes[code] = passesCategory(*selected, planned.categories[code]);
    }
  }
  return true;
}

// The entry of `field` in the scan's numbers, added when new.
std::size_t numberOf(ColumnScan& scan, int field) {
  for (std::size_t k = 0; k < scan.numbers.size(); ++k) {
    if (scan.numbers[k].fieldNumber == field) return k;
  }
  ColumnNumber number;
  number.fieldNumber = field;
  if (field != 0) {
    const FieldColumn& column = scan.file.columns[static_cast<std::size_t>(field)];
    number.column = &column;
    if (column.encoding == ColumnEncoding::dictionary) {
      number.values.assign(std::size_t{column.entryCount} + 1, 0.0);
      for (std::uint32_t code = 0; code < column.entryCount; ++code) {
        number.values[code] = fieldMeasure(dictionaryEntry(column, code));
      }
    }
  }
  scan.numbers.push_back(std::move(number));
  return scan.numbers.size() - 1;
}

void classifyRecords(ColumnDimension& dimension, std::int32_t first, const std::int32_t* records,
                     std::size_t count, std::int32_t* categories) {
  const FieldColumn& column = *dimension.column;
  if (column.encoding == ColumnEncoding::dictionary) {
    const std::int32_t* byCode = dimension.categories.data();
    forEachCode(column, first, records, count,
                [&](std::size_t k, std::uint32_t code) { categories[k] = byCode[code]; });
    return;
  }
  for (std::size_t k = 0; k < count; ++k) {
    categories[k] = classify(dimension.raw, rawValue(column, first, records[k]));
  }
}

// Clears keep[i] of each record first + i (i < count) whose value the selection does not take.
void applySelection(ColumnDimension& selection, std::int32_t first, std::size_t count,
                    const std::int32_t* identity, std::uint8_t* keep) {
  const FieldColumn& column = *selection.column;
  const std::uint8_t* passes = selection.passes.data();
  if (column.encoding == ColumnEncoding::dictionary) {
    forEachCode(column, first, identity, count,
                [&](std::size_t i, std::uint32_t code) { keep[i] &= passes[code]; });
    return;
  }
  for (std::size_t i = 0; i < count; ++i) {
    if (keep[i] != 0) {
      keep[i] =
          passes[classify(selection.raw, rawValue(column, first, static_cast<std::int32_t>(i)))];
    }
  }
}

void readNumbers(const ColumnNumber& number, std::int32_t first, const std::int32_t* records,
                 std::size_t count, double* values) {
  const FieldColumn& column = *number.column;
  if (column.encoding == ColumnEncoding::dictionary) {
    const double* byCode = number.values.data();
    forEachCode(column, first, records, count,
                [&](std::size_t k, std::uint32_t code) { values[k] = byCode[code]; });
    return;
  }
  // The memo of the last text lasts one block, so that threads share nothing.
  NumberField field;
  field.length = column.length;
  field.mask = codeMask(column.length);
  for (std::size_t k = 0; k < count; ++k) {
    values[k] = numberAt(field, rawValue(column, first, records[k]));
  }
}

// Runs the ranges in order; the blocks are split over threads when every scan allows it.
void runRanges(TabulationState& state, const std::vector<ColumnQueue::Range>& ranges,
               const ThreadRule& rule) {
  const std::int32_t blockRecords = std::max<std::int32_t>(rule.blockRecords, 1);
  std::vector<ColumnQueue::Range> blocks;
  std::int64_t records = 0;
  bool parallel = true;
  for (const ColumnQueue::Range& range : ranges) {
    for (const int field : range.scan->fields) {
      prefetchColumn(range.scan->file, field, range.first, range.last);
    }
    records += std::int64_t{range.last} - range.first + 1;
    parallel = parallel && range.scan->parallel;
    for (std::int64_t first = range.first; first <= range.last; first += blockRecords) {
      const std::int64_t last = std::min<std::int64_t>(first + blockRecords - 1, range.last);
      blocks.push_back(
          {range.scan, static_cast<std::int32_t>(first), static_cast<std::int32_t>(last)});
    }
  }
  const int threads = parallel ? scanThreads(rule, records) : 1;
  // One thread needs one buffer, which then stays in the cache.
  std::vector<BlockAdditions> buffers(
      threads == 1 ? 1 : static_cast<std::size_t>(threads) * kSlotsPerThread);
  runBlocksInOrder(
      blocks.size(), threads, buffers.size(),
      [&](std::size_t block, std::size_t slot) {
        const ColumnQueue::Range& range = blocks[block];
        produceBlock(*range.scan, range.first, range.last, buffers[slot]);
      },
      [&](std::size_t slot) { applyBlock(state, buffers[slot]); });
}

}  // namespace

std::unique_ptr<ColumnScan> planColumnScan(const TabulationState& state, const DbfTable& table,
                                           const std::string& dataPath) {
  auto scan = std::make_unique<ColumnScan>();
  if (!openColumnFile(scan->file, table, dataPath)) return nullptr;
  auto columnOf = [&](int field) -> const FieldColumn& {
    return scan->file.columns[static_cast<std::size_t>(field)];
  };
  auto use = [&](int field) {
    if (field != 0 &&
        std::find(scan->fields.begin(), scan->fields.end(), field) == scan->fields.end()) {
      scan->fields.push_back(field);
    }
  };
  const Dimension& row = state.rowDimension;
  if (!planDimension(scan->row, row, columnOf(row.fieldNumber), nullptr)) return nullptr;
  use(row.fieldNumber);
  scan->hasColumn = state.columnActive;
  scan->addsNothing = state.columnActive && state.measureCount == 0;
  if (state.columnActive) {
    const Dimension& column = state.columnDimension;
    if (!planDimension(scan->column, column, columnOf(column.fieldNumber), nullptr)) {
      return nullptr;
    }
    use(column.fieldNumber);
  }
  scan->selections.resize(static_cast<std::size_t>(state.selectionCount));
  for (int s = 1; s <= state.selectionCount; ++s) {
    const SelectionFilter& selection = state.selections[static_cast<std::size_t>(s)];
    const int field = selection.dimension.fieldNumber;
    if (!planDimension(scan->selections[static_cast<std::size_t>(s - 1)], selection.dimension,
                       columnOf(field), &selection.selected)) {
      return nullptr;
    }
    use(field);
  }
  const auto measures = static_cast<std::size_t>(state.measureCount) + 1;
  scan->valueNumber.assign(measures, 0);
  scan->divisorNumber.assign(measures, 0);
  for (std::size_t m = 1; m < measures; ++m) {
    const MeasureSpec& measure = state.measures[m];
    scan->valueNumber[m] = numberOf(*scan, measure.valueFieldNumber);
    use(measure.valueFieldNumber);
    if (measure.isRate) {
      scan->divisorNumber[m] = numberOf(*scan, measure.secondFieldNumber);
      use(measure.secondFieldNumber);
    }
  }
  auto isRaw = [](const ColumnDimension& dimension) {
    return dimension.column->encoding == ColumnEncoding::raw;
  };
  scan->parallel = !isRaw(scan->row) && !(scan->hasColumn && isRaw(scan->column)) &&
                   std::none_of(scan->selections.begin(), scan->selections.end(), isRaw);
  return scan;
}

void produceBlock(ColumnScan& scan, std::int32_t first, std::int32_t last,
                  BlockAdditions& additions) {
  additions.scan = &scan;
  additions.count = 0;
  if (scan.addsNothing || last < first) return;
  const auto count = static_cast<std::size_t>(last - first + 1);
  if (additions.records.size() < count) {
    additions.records.resize(count);
    additions.keep.resize(count);
    additions.rows.resize(count);
    additions.columns.resize(count);
  }
  std::int32_t* records = additions.records.data();
  std::iota(records, records + count, 0);
  std::size_t kept = count;
  if (!scan.selections.empty()) {
    std::uint8_t* keep = additions.keep.data();
    std::fill(keep, keep + count, std::uint8_t{1});
    for (ColumnDimension& selection : scan.selections) {
      applySelection(selection, first, count, records, keep);
    }
    // The passing records, packed to the front without a branch per record.
    kept = 0;
    for (std::size_t i = 0; i < count; ++i) {
      records[kept] = static_cast<std::int32_t>(i);
      kept += keep[i];
    }
  }
  additions.count = kept;
  classifyRecords(scan.row, first, records, kept, additions.rows.data());
  if (scan.hasColumn) classifyRecords(scan.column, first, records, kept, additions.columns.data());
  additions.numbers.resize(scan.numbers.size());
  for (std::size_t n = 0; n < scan.numbers.size(); ++n) {
    if (scan.numbers[n].fieldNumber == 0) continue;
    std::vector<double>& values = additions.numbers[n];
    if (values.size() < count) values.resize(count);
    readNumbers(scan.numbers[n], first, records, kept, values.data());
  }
}

void applyBlock(TabulationState& state, const BlockAdditions& additions) {
  if (additions.count == 0) return;
  const ColumnScan& scan = *additions.scan;
  // An array of cells the records add into: its columns, and what each record adds (null: 1, as
  // for a record count). All of a record's additions go in one pass, so that the chains of
  // additions into the cells of different arrays overlap.
  struct Target {
    std::vector<double*> columns;
    const double* numbers = nullptr;
  };
  std::vector<Target> targets;
  auto add = [&](std::vector<std::vector<double>>& cells, std::size_t first, std::size_t count,
                 const double* numbers) {
    Target target;
    for (std::size_t c = first; c < first + count; ++c) target.columns.push_back(cells[c].data());
    target.numbers = numbers;
    targets.push_back(std::move(target));
  };
  auto numbers = [&](std::size_t number) -> const double* {
    return scan.numbers[number].fieldNumber == 0 ? nullptr : additions.numbers[number].data();
  };
  const bool counting = !state.countCells.empty();
  const std::int32_t* rows = additions.rows.data();
  if (state.columnActive) {
    const std::size_t grid = state.valueCells.size();
    if (counting) add(state.countCells, 0, grid, nullptr);
    add(state.valueCells, 0, grid, numbers(scan.valueNumber[1]));
    if (state.measures[1].isRate) add(state.divisorCells, 0, grid, numbers(scan.divisorNumber[1]));
    const std::int32_t* columns = additions.columns.data();
    if (targets.size() == 1 && targets[0].numbers == nullptr) {
      // The common count: one array, 1 per record.
      double* const* cells = targets[0].columns.data();
      for (std::size_t k = 0; k < additions.count; ++k) cells[columns[k]][rows[k]] += 1.0;
      return;
    }
    for (std::size_t k = 0; k < additions.count; ++k) {
      const auto row = static_cast<std::size_t>(rows[k]);
      const auto column = static_cast<std::size_t>(columns[k]);
      for (const Target& target : targets) {
        target.columns[column][row] += target.numbers != nullptr ? target.numbers[k] : 1.0;
      }
    }
    return;
  }
  // Without a column dimension each measure has a column of its own; records count in column 1.
  if (counting) add(state.countCells, 1, 1, nullptr);
  for (int m = 1; m <= state.measureCount; ++m) {
    const auto slot = static_cast<std::size_t>(m);
    add(state.valueCells, slot, 1, numbers(scan.valueNumber[slot]));
    if (state.measures[slot].isRate) {
      add(state.divisorCells, slot, 1, numbers(scan.divisorNumber[slot]));
    }
  }
  for (std::size_t k = 0; k < additions.count; ++k) {
    const auto row = static_cast<std::size_t>(rows[k]);
    for (const Target& target : targets) {
      target.columns[0][row] += target.numbers != nullptr ? target.numbers[k] : 1.0;
    }
  }
}

void queueColumnRange(TabulationState& state, ColumnQueue& queue, ColumnScan& scan,
                      std::int32_t first, std::int32_t last) {
  if (last < first) return;
  if (scan.parallel) {
    queue.ranges.push_back({&scan, first, last});
    return;
  }
  runColumnQueue(state, queue);
  runRanges(state, {{&scan, first, last}}, queue.rule);
}

void runColumnQueue(TabulationState& state, ColumnQueue& queue) {
  if (!queue.ranges.empty()) runRanges(state, queue.ranges, queue.rule);
  queue.ranges.clear();
}
