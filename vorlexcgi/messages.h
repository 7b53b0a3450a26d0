// The ten page messages in three languages, and the number separators of each language.
#pragma once

#include <cstdint>
#include <string>

#include "state.h"

// The page texts, in the order of the table in messages.cpp.
enum class PageText : std::uint8_t {
  by = 1,  // between the measures and the column dimension in the heading
  byRow,   // between those and the row dimension
  period,  // the heading of the period line
  csvCopyLink,
  tabCopyLink,
  attention,               // heads the warning about stock measures over several periods
  forTablesOf,             // opens a warning: "Para tabelas de" + the measure
  periodsInRowsOrColumns,  // ends the stock warning
  noRecordSelected,
  mustBeRowOrColumn,  // ends the percentage warning
};

// The text in the language, through htmlAccents; empty for a number outside the table.
std::string localMessage(PageText text, Language language);
void setNumberSeparators(TabulationState& state);
// The line that explains a protected table's marks, in Windows-1252 bytes: "X" with the limit
// when small counts are suppressed (smallCountLimit > 0), and for a table with rates "*" with
// the unreliable limit (when not empty) and "..". Empty when the table can show no mark.
std::string markLegend(Language language, int smallCountLimit, const std::string& unreliableLimit,
                       bool rates);
