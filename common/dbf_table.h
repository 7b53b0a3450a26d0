// The one reader of dBase tables; it never writes one. A failure comes back to the caller as the
// reader's own message ("OpenDBF:" + name + ...). Every message that names a table is built by
// tableMessage.
// Bytes read, little-endian: 0 version (0x83 hasMemo; 0x30 other field-count rule), 1 YY MM DD,
// 4 record count, 8 header length = offset of record 1, 10 record length, 29 language driver.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "failure.h"
#include "text_limits.h"

inline constexpr std::size_t kBlockSize = 8001;
// Readable bytes after the last record of a block, so that a short field can be loaded as one
// 8-byte word and masked.
inline constexpr std::size_t kRecordSlack = 8;

struct DbfField {
  std::string name;  // as stored, at most 10 bytes, case unchanged
  char type = ' ';
  std::uint8_t length = 0, decimals = 0;
  std::uint16_t offset = 0;  // position within the record; field 1 starts at 1
};

// Closes the table's file however the table goes out of scope, so that no path leaves it open.
struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

struct DbfTable {
  std::string fileName;
  bool open = false;
  bool hasMemo = false;
  std::string lastUpdate;  // "yyyymmdd"
  std::int32_t recordCount = 0;
  // Records 1..recordsHeld have bytes in the file; every later one up to recordCount reads as
  // the same blank record, so a pass may stop after the first of them.
  std::int32_t recordsHeld = 0;
  std::uint16_t headerLength = 0, recordLength = 0;  // recordLength 1..kBlockSize while open
  std::uint8_t fieldCount = 0;
  std::vector<DbfField> fields;  // fields[1..fieldCount]; fields[0] unused
  std::uint8_t languageDriver = 0;
  const char* currentRecord = nullptr;  // into blockBuffer, at the deletion mark
  std::int32_t currentRecordNumber = 0;
  std::vector<char> blockBuffer;     // whole records (at least kBlockSize bytes), then the slack
  std::int32_t recordsPerBlock = 0;  // records that one block read brings in
  std::int32_t currentBlock = -1;    // -1: nothing read yet
  std::int32_t blockReads = 0;       // block reads since OpenDBF (the tests count them)
  std::unique_ptr<std::FILE, FileCloser> file;
};

// `name` is opened as given (found ignoring case when the exact name does not exist); only the
// stored fileName, used in messages, is cut to nameLimit.
[[nodiscard]] Status OpenDBF(DbfTable& table, const std::string& name,
                             std::size_t nameLimit = kMaxFileName);
// readDBF's work past the current block: the read of another block, and every failure.
[[nodiscard]] Status readDBFBlock(DbfTable& table, std::int32_t recordNumber);

// Makes record `recordNumber` (1..recordCount) the current record. The message for a number
// out of range ends without a line end, as it always has. Within the current block (the common
// case of a sequential pass) it is a few instructions, so it is inline.
[[nodiscard]] inline Status readDBF(DbfTable& table, std::int32_t recordNumber) {
  if (table.open && table.currentBlock >= 0 && recordNumber >= 1 &&
      recordNumber <= table.recordCount) {
    const std::int32_t slot = recordNumber - 1 - table.currentBlock * table.recordsPerBlock;
    if (slot >= 0 && slot < table.recordsPerBlock) {
      table.currentRecord =
          table.blockBuffer.data() + static_cast<std::size_t>(slot) * table.recordLength;
      table.currentRecordNumber = recordNumber;
      return std::nullopt;
    }
  }
  return readDBFBlock(table, recordNumber);
}
// Closing is not needed: the file closes with the table. Fails when the table is not open.
[[nodiscard]] Status CloseDBF(DbfTable& table);
// The last field whose stored name is `name`, byte for byte; 0 when there is none. Last match
// wins: the later of two fields named alike answers.
int lastFieldNamed(const DbfTable& table, std::string_view name);
// As lastFieldNamed with `name` in upper case: stored names are upper case.
int fieldIndex(const DbfTable& table, const std::string& name);  // 0 when absent
// The field's raw bytes in the current record, padding included; valid until the next readDBF.
std::string_view fieldValue(const DbfTable& table, int fieldNumber);
// `before` + the file name HTML-escaped + `after`: a request can choose a data file's name, and
// these messages land in the page. The reader's messages and every other message that shows a
// table's name (the engine's, seriak's) are built here, so none shows a name unescaped.
std::string tableMessage(std::string_view before, std::string_view fileName,
                         std::string_view after);
