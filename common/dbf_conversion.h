// The branch of loadDimension for a conversion file that is a DBF table: each distinct code of
// one field is a category, optionally reached through a translation table.
#pragma once

#include <string>

#include "conversion.h"

struct DimensionItems {
  std::string fieldName;         // item 1, as written
  std::string codeStartOrLabel;  // item 2
  std::string conversionFile;    // item 3, as named (at most 120 characters)
  std::string secondKey;         // item 4, lower-cased
  std::string translationFile;   // item 5
};

// Fills the categories, names, roll-up targets, code width and dictionary of `dimension` from
// the table at `conversionPath`; the failure as loadDimension describes it.
[[nodiscard]] Status loadDbfConversion(const DimensionItems& items,
                                       const std::string& conversionPath, int limit,
                                       Dimension& dimension);
