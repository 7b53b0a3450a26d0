// The ".IXM" index of a data file sorted by a municipality code, as seriak writes it and the
// tabulator reads it: a first line with the field name, then one line per run of equal codes.
// Line: the code in columns 1-6 (left-aligned, blank-padded, cut to 6), the first record in
// columns 7-14 and the last in 15-22 (right-aligned). Lines end with CR LF.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "failure.h"

inline constexpr std::size_t kIndexCodeWidth = 6;
inline constexpr std::size_t kIndexNumberWidth = 8;
// The largest record number eight columns hold: a file with more records gets no index.
inline constexpr std::int32_t kMaxIndexedRecord = 99999999;

struct IndexEntry {
  std::string_view code;  // columns 1-6 as stored, blanks included
  std::int32_t first = 0, last = 0;
};

// The line of one run; `code` is cut or padded to its six columns.
std::string indexLine(std::string_view code, std::int32_t first, std::int32_t last);
// Reads a line back. A record number that is not an integer fails with the "Erro: " line of an
// unreadable integer, naming the text.
[[nodiscard]] Status readIndexLine(std::string_view line, IndexEntry& entry);
