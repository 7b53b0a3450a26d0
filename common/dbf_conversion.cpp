// Conversion tables kept as DBF files: every distinct code of the code field is a category,
// numbered in the order the codes first appear and labelled from the same record. An optional
// translation table maps the data's codes onto those codes.
#include "dbf_conversion.h"

#include <algorithm>

#include "dbf_table.h"
#include "file_search.h"
#include "text_helpers.h"
#include "text_limits.h"

namespace {

constexpr int kMaxCapacity = 65535;

// The loader's own refusal of a conversion table: it ends a request with status 0.
Failure refusal(const std::string& message) { return Failure{cut(message, kMaxText), true, 0}; }

// The field named exactly `name`, or `fallback` when none is.
int chooseField(const DbfTable& table, const std::string& name, int fallback) {
  const int found = lastFieldNamed(table, name);
  return found != 0 ? found : fallback;
}

std::string withoutTrailingSpaces(std::string_view text) {
  const std::size_t last = text.find_last_not_of(' ');
  return last == std::string_view::npos ? std::string() : std::string(text.substr(0, last + 1));
}

std::uint16_t capacityFor(std::int32_t records) {
  return static_cast<std::uint16_t>(
      std::min<std::int64_t>(std::int64_t{records} + 2, kMaxCapacity));
}

// Replaces the dictionary by one keyed on the translation table's codes: each code goes to the
// category of its second key. Codes whose second key is no category are left out.
Status translateCodes(const DimensionItems& items, const std::string& path, int codeField,
                      int keyField, Dimension& dimension) {
  DbfTable table;
  if (Status failure = OpenDBF(table, path)) return failure;
  CodeDictionary translated;
  const std::int32_t records = std::max(table.recordCount, 0);
  createDictionary(translated, capacityFor(records));
  // Past the records the file holds every record is the same blank one: the first of them
  // decides for all.
  const std::int32_t lastToRead = std::min(records, table.recordsHeld + 1);
  for (std::int32_t r = 1; r <= lastToRead; ++r) {
    if (Status failure = readDBF(table, r)) return failure;
    const std::string_view code = fieldValue(table, codeField);
    if (findCode(translated, code).found) continue;
    const CodeSearch key = findCode(dimension.dictionary, fieldValue(table, keyField));
    if (!key.found) continue;
    if (insertCode(translated, code, key.value) == InsertResult::full) {
      return refusal(items.translationFile + ": Tabela de conversao grande demais");
    }
  }
  clearDictionary(dimension.dictionary);
  dimension.dictionary = std::move(translated);
  return std::nullopt;
}

}  // namespace

Status loadDbfConversion(const DimensionItems& items, const std::string& conversionPath, int limit,
                         Dimension& dimension) {
  DbfTable table;
  if (Status failure = OpenDBF(table, conversionPath)) return failure;
  // A table without fields has no code to read.
  if (table.fieldCount < 1) {
    return refusal(items.conversionFile + ": Tabela de conversao sem campos");
  }
  const std::int32_t records = std::max(table.recordCount, 0);
  int codeField = chooseField(table, items.fieldName, 1);
  std::int32_t labelNumber = 1;
  // A field number the table does not have reads field 1.
  if (!tryInteger(items.codeStartOrLabel, labelNumber) || labelNumber < 1 ||
      labelNumber > table.fieldCount) {
    labelNumber = 1;
  }
  const int labelField = chooseField(table, items.codeStartOrLabel, labelNumber);
  dimension.codeWidth = table.fields[codeField].length;

  // The limit counts records, not distinct codes.
  if (limit - 1 < records) {
    return refusal(items.conversionFile + ": NumRegs = " + std::to_string(table.recordCount) +
                   " > Max = " + std::to_string(limit - 1));
  }

  std::string translationPath;
  int translationCode = 1;
  int translationKey = 1;
  if (!items.translationFile.empty()) {
    translationPath = findFile(items.translationFile);
    if (translationPath.empty()) {
      return refusal(items.translationFile + ": arquivo nao encontrado");
    }
    DbfTable translation;
    if (Status failure = OpenDBF(translation, translationPath)) return failure;
    if (translation.fieldCount < 1) {
      return refusal(items.translationFile + ": Tabela de conversao sem campos");
    }
    translationKey = chooseField(translation, items.secondKey, 1);
    translationCode = chooseField(translation, items.fieldName, 1);
    dimension.codeWidth = translation.fields[translationCode].length;
    codeField = chooseField(table, items.secondKey, 1);
  }

  dimension.mappingKind = MappingKind::dictionary;
  dimension.categoryNames.assign(records + 2, std::string());
  dimension.categoryCodes.assign(records + 1, std::string());
  dimension.rollUpTarget.assign(records + 1, 0);
  createDictionary(dimension.dictionary, capacityFor(records));
  int categories = 0;
  for (std::int32_t r = 1; r <= records; ++r) {
    if (Status failure = readDBF(table, r)) return failure;
    const std::string_view code = fieldValue(table, codeField);
    // The first record of a code wins, label included.
    if (findCode(dimension.dictionary, code).found) continue;
    ++categories;
    dimension.categoryNames[categories] =
        labelField == codeField
            ? withoutTrailingSpaces(code)
            : cut(std::string(code) + " " + withoutTrailingSpaces(fieldValue(table, labelField)),
                  kMaxText);
    dimension.categoryCodes[categories] = trimSpaces(code);
    insertCode(dimension.dictionary, code, static_cast<std::uint16_t>(categories));
  }
  dimension.categoryCount = categories;
  dimension.categoryNames.resize(categories + 2);
  dimension.categoryCodes.resize(categories + 1);
  dimension.rollUpTarget.resize(categories + 1);

  if (!translationPath.empty()) {
    if (Status failure =
            translateCodes(items, translationPath, translationCode, translationKey, dimension)) {
      return failure;
    }
  }
  dimension.codeStart = 1;
  return std::nullopt;
}
