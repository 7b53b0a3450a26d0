// The one reader of dBase tables; it never writes one. Misuse or failure writes one line to
// standard output and ends the process (under CGI, into the page). Every message that names a
// table is built by tableMessage.
// Bytes read, little-endian: 0 version (0x83 hasMemo; 0x30 other field-count rule), 1 YY MM DD,
// 4 record count, 8 header length = offset of record 1, 10 record length, 29 language driver.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

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

struct DbfTable {
  std::string fileName;
  std::uint8_t state = 0;  // 0 closed, 1 open for reading
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
  std::FILE* file = nullptr;
};

// `name` is opened as given (found ignoring case when the exact name does not exist); only the
// stored fileName, used in messages, is cut to nameLimit.
void OpenDBF(DbfTable& table, const std::string& name, std::size_t nameLimit = kMaxFileName);
void readDBF(DbfTable& table, std::int32_t recordNumber);
void CloseDBF(DbfTable& table);
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
