// The engine's column path: the records of a data file read field by field from its column file
// (common/column_file.h), only the fields a request uses and only the record ranges it reads. A
// dictionary column is classified once per distinct value, so each record costs table lookups on
// its 1- or 2-byte codes. Ranges wait in a queue, in file and record order, until the engine
// runs them, split over threads (thread_split.h); the cells get exactly the additions, in exactly
// the order, of the record path.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "column_file.h"
#include "field_reading.h"
#include "site_settings.h"
#include "state.h"

// A row, column or selection field read from its column.
struct ColumnDimension {
  const FieldColumn* column = nullptr;
  // A dictionary column: the category of each code, and at [entryCount] the answer for any code
  // past the entries (only a damaged file holds one): no category.
  std::vector<std::int32_t> categories;
  // A selection: whether a value passes, by code (dictionary) or by category (raw).
  std::vector<std::uint8_t> passes;
  // A raw column: the record path's classifier, with its memo; one thread at a time.
  FieldClassifier raw;
};

// A field the measures add.
struct ColumnNumber {
  int fieldNumber = 0;  // 0: counts records, 1 each
  const FieldColumn* column = nullptr;
  std::vector<double> values;  // a dictionary column: each code's value; 0 past the entries
};

// What a data file's records add to the cells, read from its column file.
struct ColumnScan {
  ColumnFile file;
  bool hasColumn = false;
  bool addsNothing = false;  // a column dimension and no measure: the record path adds nothing
  ColumnDimension row, column;
  std::vector<ColumnDimension> selections;  // in selections order
  std::vector<ColumnNumber> numbers;
  std::vector<std::size_t> valueNumber, divisorNumber;  // per measure [1..], into numbers
  std::vector<int> fields;                              // the fields read, for the read-ahead
  // Whether threads may share it: not when a dimension's column is raw, since categoryOf and the
  // classifier's memo keep state.
  bool parallel = true;
};

// Opens the column file of the open table and plans the request's reading of it: null when there
// is no current column file, or when a threshold dimension could meet a value that is not a
// number (its column raw, or such a value in its dictionary), since each record holding one is
// reported in the page in record order, as the record path does. The state's dimensions and
// measures must have their field numbers for this table.
std::unique_ptr<ColumnScan> planColumnScan(const TabulationState& state, const DbfTable& table,
                                           const std::string& dataPath);

// What one block of records adds to the cells: the records that pass the selections, in record
// order, each with its row, its column and its numbers. A worker's buffers, reused block after
// block.
struct BlockAdditions {
  ColumnScan* scan = nullptr;
  std::size_t count = 0;
  std::vector<std::int32_t> rows, columns;
  std::vector<std::vector<double>> numbers;  // [number][k]; empty for a record count
  std::vector<std::uint8_t> keep;            // per record of the block
  std::vector<std::int32_t> records;         // the passing records, from the block's first
};

// Reads records first..last (within 1..records held) of the scan's file.
void produceBlock(ColumnScan& scan, std::int32_t first, std::int32_t last,
                  BlockAdditions& additions);
// Adds a produced block into the cells as the record path adds its records.
void applyBlock(TabulationState& state, const BlockAdditions& additions);

// Ranges of records waiting to be read from column files, in the order the record path would
// read them, and the scans of the request's files, which stay open until the queue goes.
struct ColumnQueue {
  struct Range {
    ColumnScan* scan = nullptr;
    std::int32_t first = 0, last = 0;
  };
  ThreadRule rule;
  std::vector<std::unique_ptr<ColumnScan>> scans;
  std::vector<Range> ranges;
};

// Queues records first..last (within 1..records held) of a scan the queue holds. A scan that
// threads may not share is read at once, after everything queued before it.
void queueColumnRange(TabulationState& state, ColumnQueue& queue, ColumnScan& scan,
                      std::int32_t first, std::int32_t last);
// Adds every queued range into the cells, in order, over the threads the rule allows, and
// forgets the ranges.
void runColumnQueue(TabulationState& state, ColumnQueue& queue);
