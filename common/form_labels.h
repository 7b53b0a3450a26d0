// The selection form's labels in three languages. formwright writes them beside its controls;
// the modern result page names the same controls when it says which choice to change.
#pragma once

#include <cstdint>
#include <string>

#include "language.h"

// The form's labels, in the order of the table in form_labels.cpp.
enum class FormLabel : std::uint8_t {
  rows = 1,
  columns,
  cells,
  availablePeriods,
  availableSelections,
  sortByColumnValues,
  format,
  tableWithBorders,
  preformattedText,
  columnsSeparatedBy,
  show,
  reset,
  allCategories,
  noColumn,
};

// The label in `language`, accents as entities; empty for a number outside the table.
std::string formLabel(FormLabel label, Language language);
