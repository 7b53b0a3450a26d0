// How the engine reads one field of a record, on either path: the category of a row, column or
// selection code (memoized in front of categoryOf) and the number a measure adds. The record
// path points these at the record's bytes, the column path at a raw column's values; the hot
// parts are inline so that both per-record loops keep them in the loop.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "conversion.h"
#include "dbf_table.h"
#include "text_helpers.h"

// Where the engine reports a line into the page as it reads: a field a data file lacks (the file
// is left out), a value a threshold dimension cannot read (the record counts in no category).
using NoteSink = std::function<void(std::string_view line)>;

inline constexpr int kMemoBits = 12;
inline constexpr std::size_t kMemoSize = std::size_t{1} << kMemoBits;
inline constexpr std::size_t kMaxMeasureText = 31;

// Classifies one field. Codes of up to 8 bytes are memoized by their bytes (categoryOf depends on
// nothing else); longer codes remember the last code, which pays off because data files are
// sorted by their main code.
struct FieldClassifier {
  const Dimension* dimension = nullptr;
  const NoteSink* notes = nullptr;              // where an unreadable threshold value is reported
  const std::vector<bool>* selected = nullptr;  // a selection's flags; null for row and column
  int fieldOffset = 0, fieldLength = 0;         // within the record, deletion mark at 0
  int codeOffset = 0, codeLength = 0;           // the code within the field
  bool memoized = false;
  std::uint64_t codeMask = 0;
  std::vector<std::uint64_t> keys;
  std::vector<std::int32_t> categories;  // -1: slot empty
  std::string lastCode;
  int lastCategory = -1;
};

// A numeric field the measures add. Records come sorted by their main code, so a field such as
// a population repeats from record to record: a field of up to 8 bytes remembers its last text
// and value.
struct NumberField {
  int offset = 0, length = 0;  // length 0 counts records
  std::uint64_t mask = 0;
  std::uint64_t lastText = 0;
  double lastValue = 0;
  bool known = false;
};

// The code's bytes as one number: one 8-byte load, masked to the code. Record buffers and column
// files keep readable slack after their last value, so the load never leaves them.
inline std::uint64_t packedCode(const char* code, std::uint64_t mask) {
  std::uint64_t word = 0;
  std::memcpy(&word, code, sizeof word);
  return word & mask;
}

// The bits of an 8-byte load that hold the first `length` bytes.
inline std::uint64_t codeMask(int length) {
  if (length >= 8) return ~std::uint64_t{0};
  const std::uint64_t low = (std::uint64_t{1} << (8 * length)) - 1;
  return std::endian::native == std::endian::little ? low : ~(~std::uint64_t{0} >> (8 * length));
}

// Whether categoryOf may be answered from memory for this code: tables and dictionaries always;
// a threshold dimension only for a readable number, so that an unreadable one is reported for
// every record as before.
bool memoizable(const Dimension& dimension, std::string_view code);
// The category of a threshold dimension's value that is not a number: the value is reported
// (once per record that holds it) and counts in no category.
int unreadableValue(const Dimension& dimension, std::string_view fieldText, const NoteSink& notes);
// categoryOf within 1..categoryCount + 1, so that a cell index never leaves the arrays; any other
// answer counts as a value in no category.
int checkedCategory(const Dimension& dimension, std::string_view fieldText, const NoteSink& notes);
// Sets the classifier up for a field at `fieldOffset` of `fieldLength` bytes.
void prepareClassifier(FieldClassifier& field, const Dimension& dimension, int fieldOffset,
                       int fieldLength, const std::vector<bool>* selected, const NoteSink& notes);

// The category of the field whose bytes start at `field`.
inline int classify(FieldClassifier& field, const char* fieldBytes) {
  const std::string_view fieldText(fieldBytes, static_cast<std::size_t>(field.fieldLength));
  const char* code = fieldBytes + field.codeOffset;
  const std::string_view codeText(code, static_cast<std::size_t>(field.codeLength));
  if (field.memoized) {
    const std::uint64_t key = packedCode(code, field.codeMask);
    const std::size_t slot =
        static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ULL) >> (64 - kMemoBits));
    if (field.categories[slot] >= 0 && field.keys[slot] == key) return field.categories[slot];
    const int category = checkedCategory(*field.dimension, fieldText, *field.notes);
    if (memoizable(*field.dimension, codeText)) {
      field.keys[slot] = key;
      field.categories[slot] = category;
    }
    return category;
  }
  if (field.lastCategory >= 0 && codeText == field.lastCode) return field.lastCategory;
  const int category = checkedCategory(*field.dimension, fieldText, *field.notes);
  if (memoizable(*field.dimension, codeText)) {
    field.lastCode.assign(codeText);
    field.lastCategory = category;
  }
  return category;
}

// The value a measure's field text adds: a decimal number with "." as decimal point, blanks
// around it ignored, at most 31 characters read; blank or anything else gives 0.
inline double fieldMeasure(std::string_view text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && text[begin] == ' ') ++begin;
  while (end > begin && text[end - 1] == ' ') --end;
  if (end - begin > kMaxMeasureText) end = begin + kMaxMeasureText;
  if (begin == end) return 0;
  // Most fields hold a few digits and perhaps a decimal point: read here as parseDecimal's exact
  // path reads them (an integer below 10^15, then one division by a power of ten), to the same
  // double; anything else goes to parseDecimal.
  static constexpr double kScales[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  if (end - begin <= 15) {
    std::size_t i = begin;
    const bool negative = text[i] == '-';
    if (text[i] == '-' || text[i] == '+') ++i;
    std::uint64_t mantissa = 0;
    int digits = 0, fraction = -1;  // -1: no decimal point yet
    for (; i < end; ++i) {
      const auto digit = static_cast<unsigned>(static_cast<unsigned char>(text[i]) - '0');
      if (digit < 10) {
        mantissa = mantissa * 10 + digit;
        ++digits;
        fraction += fraction >= 0 ? 1 : 0;
      } else if (text[i] == '.' && fraction < 0) {
        fraction = 0;
      } else {
        break;
      }
    }
    if (i == end && digits > 0) {
      const double magnitude = fraction > 0 ? static_cast<double>(mantissa) / kScales[fraction]
                                            : static_cast<double>(mantissa) * kScales[0];
      return negative ? -magnitude : magnitude;
    }
  }
  double value = 0;
  if (!parseDecimal(text.substr(begin, end - begin), value)) return 0;
  return value;
}

// The number of the field whose bytes start at `fieldBytes`; 1 for a record count.
inline double numberAt(NumberField& field, const char* fieldBytes) {
  const auto length = static_cast<std::size_t>(field.length);
  if (field.length > 8) return fieldMeasure(std::string_view(fieldBytes, length));
  if (field.length == 0) return 1;
  const std::uint64_t text = packedCode(fieldBytes, field.mask);
  if (field.known && text == field.lastText) return field.lastValue;
  field.lastValue = fieldMeasure(std::string_view(fieldBytes, length));
  field.lastText = text;
  field.known = true;
  return field.lastValue;
}
