#include "field_reading.h"

bool memoizable(const Dimension& dimension, std::string_view code) {
  if (dimension.mappingKind != MappingKind::thresholds) return true;
  double value = 0;
  return tryReal(trimSpaces(code), value);
}

int unreadableValue(const Dimension& dimension, std::string_view fieldText, const NoteSink& notes) {
  const std::size_t start = dimension.codeStart > 0 ? dimension.codeStart - 1u : 0u;
  const std::string_view code =
      start < fieldText.size() ? fieldText.substr(start, dimension.codeWidth) : std::string_view();
  notes(std::string(code) + ":Valor Inv\xE1lido em " + dimension.fieldName);
  return dimension.categoryCount + 1;
}

int checkedCategory(const Dimension& dimension, std::string_view fieldText, const NoteSink& notes) {
  int category = categoryOf(dimension, fieldText);
  if (category == kUnreadableValue && dimension.mappingKind == MappingKind::thresholds) {
    category = unreadableValue(dimension, fieldText, notes);
  }
  const int outside = (dimension.categoryCount > 0 ? dimension.categoryCount : 0) + 1;
  return category >= 1 && category <= outside ? category : outside;
}

void prepareClassifier(FieldClassifier& field, const Dimension& dimension, int fieldOffset,
                       int fieldLength, const std::vector<bool>* selected, const NoteSink& notes) {
  field.dimension = &dimension;
  field.notes = &notes;
  field.selected = selected;
  field.fieldOffset = fieldOffset;
  field.fieldLength = fieldLength;
  const int start = dimension.codeStart > 0 ? dimension.codeStart - 1 : 0;
  field.codeOffset = start < field.fieldLength ? start : field.fieldLength;
  const int room = field.fieldLength - field.codeOffset;
  field.codeLength = dimension.codeWidth < room ? dimension.codeWidth : room;
  field.memoized = field.codeLength <= 8;
  if (field.memoized) {
    field.codeMask = codeMask(field.codeLength);
    field.keys.assign(kMemoSize, 0);
    field.categories.assign(kMemoSize, -1);
  }
}
