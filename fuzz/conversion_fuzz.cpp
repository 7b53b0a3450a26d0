// A dimension loaded from a dimension line and its conversion file, then field texts classified.
// The input: the dimension line's items (field, code start or label field, second key field) on
// the first line, a selector byte for the kind of file and the limit; then the conversion file
// (a ".cnv" text or a DBF table), the translation table, and field texts one per line.
#include <cstdint>
#include <string>

#include "conversion.h"
#include "harness.h"
#include "text_helpers.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  enterScratchDirectory("conversion");
  return 0;
}

namespace {

std::string itemAt(const std::string& items, int wanted) {
  int index = 0;
  std::string item;
  for (char c : items) {
    if (c == ',') {
      if (index++ == wanted) return item;
      item.clear();
    } else if (c != ' ' && c != '\r') {
      item += c;
    }
  }
  return index == wanted ? item : std::string();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::uint8_t selector = data[0];
  const auto parts = splitParts(data + 1, size - 1, 4);
  const std::string& head = parts[0];
  const std::string& conversion = parts[1];
  const std::string& translation = parts[2];
  const std::string& fieldTexts = parts[3];

  static const char* const kConversionNames[] = {"conv.cnv", "CONV.CNV", "conv.dbf", "conv.txt"};
  static const int kLimits[] = {5700, 256, 5701, 4};
  const std::string conversionName = kConversionNames[selector & 3];
  const int limit = kLimits[(selector >> 2) & 3];
  const bool withTranslation = (selector & 0x10) != 0;
  clearDirectory("d");
  writeScratchFile("d/" + conversionName, conversion);
  if (withTranslation) writeScratchFile("d/trad.dbf", translation);

  std::string line = "Dimension";
  line.resize(31, ' ');
  line += itemAt(head, 0) + "," + itemAt(head, 1) + ",d/" + conversionName + "," + itemAt(head, 2) +
          "," + (withTranslation ? "d/trad.dbf" : "");
  line = line.substr(0, 255);

  runGuarded([&] {
    Dimension dimension;
    if (loadDimension(line, limit, dimension)) return;
    std::size_t start = 0;
    while (start <= fieldTexts.size()) {
      std::size_t end = fieldTexts.find('\n', start);
      if (end == std::string::npos) end = fieldTexts.size();
      const int category =
          categoryOf(dimension, std::string_view(fieldTexts).substr(start, end - start));
      const bool unreadable =
          category == kUnreadableValue && dimension.mappingKind == MappingKind::thresholds;
      if (!unreadable && (category < 1 || category > dimension.categoryCount + 1)) {
        __builtin_trap();
      }
      start = end + 1;
    }
  });
  return 0;
}
