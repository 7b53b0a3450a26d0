// The branch of loadDimension for a conversion file that is a DBF table: each distinct code of
// one field is a category, optionally reached through a translation table.
#pragma once

#include <string>

#include "conversion.h"

struct DimensionItems {
  std::string fieldName;        // item 1, as written
  std::string codeStartOrLabel; // item 2
  std::string conversionFile;   // item 3
  std::string secondKey;        // item 4, lower-cased
  std::string translationFile;  // item 5
};

// On failure pendingMessage holds the message, which has been written.
void loadDbfConversion(const DimensionItems& items, const std::string& conversionPath, int limit,
                       Dimension& dimension);
