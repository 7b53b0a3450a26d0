// A dimension: the categories of a row, column or selection variable, loaded from a dimension
// line and its conversion file, and the classifier that puts a field value in its category.
// Used by vorlexcgi (rows, columns, selections) and formwright (selection lists).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "code_dictionary.h"
#include "failure.h"

// How a dimension finds a code's category: a direct table by code number (short codes), a sorted
// dictionary of code texts (long codes, "L"), or upper bounds of a number ("F").
enum class MappingKind : std::uint8_t { codeTable, dictionary, thresholds };

struct Dimension {
  std::string title;            // at most 32 characters
  std::string fieldName;        // at most 10, upper-cased
  std::uint16_t codeStart = 1;  // position of the code within the field text, from 1
  std::string conversionFile;   // at most 120 characters, as named by the line
  std::int32_t categoryCount = 0;
  std::uint16_t codeWidth = 0;
  std::uint16_t labelWidth = 18;  // longest label, at least 18
  // categoryNames[1..categoryCount]; slot 0 unused; slot categoryCount + 1 empty, for the values
  // in no category.
  std::vector<std::string> categoryNames;
  // categoryCodes[1..categoryCount]: the codes as the conversion lists them ("11", "11,12-15";
  // kind F: the bound; a DBF table: the code), so that scripts can name a category by its code.
  // Empty for a category no line gave codes.
  std::vector<std::string> categoryCodes;
  std::vector<std::uint16_t> codeTable;  // codeTable: category by code number
  std::vector<double> thresholds;        // thresholds: thresholds[1..categoryCount], upper bounds
  // thresholds: hasBound[1..categoryCount]; a category that no line gave a bound is never chosen.
  std::vector<bool> hasBound;
  std::vector<std::int16_t> rollUpTarget;  // rollUpTarget[1..categoryCount]
  MappingKind mappingKind = MappingKind::codeTable;
  std::uint16_t fieldNumber = 0;  // set by the tabulation engine for each data file
  CodeDictionary dictionary;      // dictionary
  PackedCodes packedCodes;        // dictionary: the dictionary packed after loading
  // The last code classified and its category (0: none yet). Data files are sorted by their
  // main code, so consecutive records mostly repeat it and skip the search.
  mutable std::string lastCode;
  mutable int lastCategory = 0;
};

// Fills `dimension` from a normalized dimension line. A conversion that defines `limit` or more
// categories is refused (limit: one more than the maximum of text_limits.h). On failure the
// dimension is incomplete and must not be used: the loader's refusals ("<file>: ...") have exit
// status 0, a number that cannot be read in the file's header is an "Erro: " line.
[[nodiscard]] Status loadDimension(const std::string& line, int limit, Dimension& dimension);

// What categoryOf answers for a threshold dimension's value that is not a number: the caller
// reports the record and counts it in no category.
inline constexpr int kUnreadableValue = 0;
// The data field that a normalized dimension line names, as loadDimension reads it: known
// without loading the conversion.
std::string dimensionFieldName(std::string_view line);
// 1..categoryCount, categoryCount + 1 for a value in no category; kUnreadableValue as above.
int categoryOf(const Dimension& dimension, std::string_view fieldText);
std::uint16_t codeNumber(std::string_view code);
