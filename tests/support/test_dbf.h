// Test-only writer of dBase tables: fixtures are built from fields and rows in the test itself,
// so no binary table is committed. Every header byte the reader looks at can be overridden,
// including values no sound writer would store, to reach the reader's refusals.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

struct TestField {
  std::string name;  // written as given (no case change), cut to the 11 name bytes
  char type = 'C';
  int length = 0;  // 0..255
  int decimals = 0;
};

// One record. Values are padded to their field's length by the writer: "N" and "F" fields
// right-aligned, all others left-aligned; longer values are cut.
struct TestRow {
  std::vector<std::string> values;
  char mark = ' ';  // the deletion mark byte: ' ' live, '*' deleted, any other byte as given

  TestRow(std::initializer_list<std::string> rowValues) : values(rowValues) {}
  TestRow(const char* onlyValue) : values{onlyValue} {}
  TestRow(std::string onlyValue) : values{std::move(onlyValue)} {}
};

struct TestDbf {
  std::vector<TestField> fields;
  std::vector<TestRow> rows;

  std::uint8_t version = 0x03;
  std::uint8_t year = 124, month = 1, day = 31;  // year byte as stored (124 reads as 2024)
  std::uint8_t languageDriver = 0;
  // Header values written instead of the computed ones. A header length other than the natural
  // one pads the descriptor area with zero bytes (or cuts it); a record length other than the
  // fields' sum pads each record with spaces (or cuts it); the record count may exceed the rows.
  std::optional<int> headerLength{}, recordLength{};
  std::optional<std::int32_t> recordCount{};
  bool endMark = true;     // the 0x1A byte after the last record
  std::string trailing{};  // bytes written after everything else

  // The whole file.
  std::string bytes() const;
  // Writes the file and returns `path`.
  std::string writeTo(const std::string& path) const;
};

// Reads the text form of a table (documented in tests/golden/README.md). On a malformed text,
// returns false and sets `error`.
bool parseTestDbfText(const std::string& text, TestDbf& dbf, std::string& error);
