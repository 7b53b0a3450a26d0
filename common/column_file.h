// Column files (".COL"): the values of a data file stored field by field, beside it, so that a
// request reads only the fields it needs. `seriak -C` writes them; the tabulator uses one only
// while it describes exactly the data file it has open, and reads the records otherwise.
//
// Bytes, little-endian, offsets from the start of the file:
//   0  8  magic "VXCOLUNA"
//   8  4  format version: 1
//  12  4  F, the field count of the data file
//  16  8  size of the data file in bytes
//  24  8  modification time of the data file: seconds since 1970 (signed)
//  32  4  and its nanoseconds, 0..999999999
//  36  4  record count of the data file's header (signed, as stored)
//  40  4  records held: the records with bytes in the data file, 0..record count
//  44  2  record length
//  46  2  header length
//  48  8  size of this file in bytes
//  56  8  zero
//  64     F field layouts of 16 bytes: 0 name (11 bytes, zero-padded), 11 type, 12 length,
//         13 decimals, 14 offset within the record (2 bytes; the deletion mark is at 0)
//  64+16F F column entries of 32 bytes: 0 encoding (1 raw, 2 dictionary), 1 code width (raw 0,
//         dictionary 1 or 2), 2 zero (2 bytes), 4 dictionary entries E (4 bytes; raw 0),
//         8 section offset (8 bytes, a multiple of 8), 16 section size (8 bytes), 24 zero (8)
// Then one section per field, in field order. Each starts at a multiple of 8 and is followed by
// 8 to 15 zero bytes (to the next multiple of 8 after at least 8), so that any value can be
// loaded as one 8-byte word; the file ends with the last section's padding.
//   raw:        the field's bytes in records 1..held, `length` bytes each: held x length
//   dictionary: E distinct values of `length` bytes in ascending byte order, zero bytes up to a
//               multiple of 8, then the code (the value's place in that order, from 0) of each
//               record 1..held in `code width` bytes: round8(E x length) + held x width
// A record's field bytes are exactly those the record reader gives: a last record the data file
// holds only in part is padded with spaces, and records past the held ones are all blank, so
// they are not stored. The deletion mark is no field and is not stored.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "dbf_table.h"

inline constexpr std::uint32_t kColumnFileVersion = 1;
inline constexpr std::size_t kColumnHeaderSize = 64;
inline constexpr std::size_t kColumnLayoutSize = 16;
inline constexpr std::size_t kColumnEntrySize = 32;
// Readable zero bytes after every section: an 8-byte load at any value stays in the file.
inline constexpr std::size_t kColumnSlack = 8;

enum class ColumnEncoding : std::uint8_t { raw = 1, dictionary = 2 };

// What ties a column file to its data file: the file as stat sees it, and its header.
struct ColumnFileKey {
  std::uint64_t dataSize = 0;
  std::int64_t modifiedSeconds = 0;
  std::uint32_t modifiedNanoseconds = 0;
  std::int32_t recordCount = 0;
  std::int32_t recordsHeld = 0;
  std::uint16_t recordLength = 0, headerLength = 0;
  std::vector<DbfField> fields;  // fields[1..]; slot 0 unused, as in DbfTable
};

// One field's column as the writer plans it: the section's place follows from these.
struct ColumnPlan {
  ColumnEncoding encoding = ColumnEncoding::raw;
  int codeWidth = 0;                   // dictionary: 1 or 2
  std::uint32_t entryCount = 0;        // dictionary: 1..256 or 1..65536
  std::uint64_t offset = 0, size = 0;  // set by planColumnFile
};

// One field's column in a mapped file. Values of a raw column and dictionary entries are
// `length` bytes each; every pointer may be read 8 bytes past the last value.
struct FieldColumn {
  ColumnEncoding encoding = ColumnEncoding::raw;
  int length = 0;
  int codeWidth = 0;             // dictionary: 1 or 2
  std::uint32_t entryCount = 0;  // dictionary
  const char* values = nullptr;  // raw: record n's bytes at (n - 1) x length; dictionary: entries
  const unsigned char* codes = nullptr;  // dictionary: record n's code at (n - 1) x codeWidth
};

// An open column file: the mapping and each field's column. Moves, never copies; the mapping
// goes with the last owner.
struct ColumnFile {
  std::string path;
  std::int32_t recordsHeld = 0;
  std::vector<FieldColumn> columns;  // columns[1..fieldCount], as the table's fields
  const char* bytes = nullptr;       // the whole file, mapped read-only
  std::size_t size = 0;

  ColumnFile() = default;
  ColumnFile(const ColumnFile&) = delete;
  ColumnFile& operator=(const ColumnFile&) = delete;
  ColumnFile(ColumnFile&& other) noexcept;
  ColumnFile& operator=(ColumnFile&& other) noexcept;
  ~ColumnFile();
};

// The name a column file is written under: the data file's with the extension ".COL".
std::string columnFilePath(const std::string& dataPath);
// The key of the data file the table has open (stat of that very file, not of its name).
// False when the file cannot be stat'ed.
bool dataFileKey(const DbfTable& table, ColumnFileKey& key);

// Opens the column file beside `dataPath` (found ignoring case) when it exists, is whole and
// describes exactly the data file the table has open. False otherwise, with nothing held: the
// caller reads the records. Never stops the program.
bool openColumnFile(ColumnFile& columnFile, const DbfTable& table, const std::string& dataPath);
// The checks of openColumnFile on bytes already in memory (which must outlive `columnFile`,
// whose mapping stays empty). Every offset and size is checked against `size`.
bool readColumnBytes(ColumnFile& columnFile, const char* bytes, std::size_t size,
                     const ColumnFileKey& key);
void closeColumnFile(ColumnFile& columnFile);

// Asks the kernel to start reading the bytes of records first..last of one field (and its
// dictionary), so that a cold scan does not wait page by page. Records outside 1..held are
// ignored.
void prefetchColumn(const ColumnFile& columnFile, int fieldNumber, std::int32_t first,
                    std::int32_t last);

// Record n (1..recordsHeld) of a dictionary column: its code. Only a damaged file holds a code
// of entryCount or more; tables indexed by code should span 1 << (8 x codeWidth) codes.
inline std::uint32_t columnCode(const FieldColumn& column, std::int32_t record) {
  const unsigned char* code =
      column.codes + static_cast<std::size_t>(record - 1) * column.codeWidth;
  return column.codeWidth == 1 ? code[0] : static_cast<std::uint32_t>(code[0] | code[1] << 8);
}
// A dictionary entry; empty for a code past the entries.
inline std::string_view dictionaryEntry(const FieldColumn& column, std::uint32_t code) {
  if (code >= column.entryCount) return {};
  const auto length = static_cast<std::size_t>(column.length);
  return std::string_view(column.values + code * length, length);
}
// Record n's field bytes (1..recordsHeld), whatever the encoding.
inline std::string_view columnValue(const FieldColumn& column, std::int32_t record) {
  if (column.encoding == ColumnEncoding::dictionary) {
    return dictionaryEntry(column, columnCode(column, record));
  }
  const auto length = static_cast<std::size_t>(column.length);
  return std::string_view(column.values + static_cast<std::size_t>(record - 1) * length, length);
}

// Record n's field bytes for any n in 1..the record count: past the held records every field
// reads as spaces, as the record reader gives them.
std::string_view columnFieldValue(const ColumnFile& columnFile, int fieldNumber,
                                  std::int32_t record);

// The encoding the writer gives a field of `length` bytes with `distinct` values (0: more than
// a dictionary holds) over `held` records: a dictionary when its codes fit 1 or 2 bytes and it
// costs at most a sixteenth more than the raw bytes, since a dictionary lets the tabulator
// classify each distinct value once instead of each record.
ColumnPlan chooseEncoding(int length, std::uint32_t distinct, std::int32_t held);
// Places every field's section after the header and returns the file's size.
std::uint64_t planColumnFile(const ColumnFileKey& key, std::vector<ColumnPlan>& plans);
// Header, field layouts and column entries of a planned file.
std::string columnFileHead(const ColumnFileKey& key, const std::vector<ColumnPlan>& plans,
                           std::uint64_t fileSize);
