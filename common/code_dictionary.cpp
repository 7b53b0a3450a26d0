#include "code_dictionary.h"

void createDictionary(CodeDictionary& dictionary, std::uint16_t capacity) {
  dictionary.capacity = capacity;
  dictionary.entries.assign(capacity + 1u, CodeEntry{});
  dictionary.count = 0;
}

CodeSearch findCode(const CodeDictionary&, std::string_view) { return {}; }

InsertResult insertCode(CodeDictionary&, std::string_view, std::uint16_t) {
  return InsertResult::full;
}

bool insertRange(CodeDictionary&, std::string_view, std::string_view, std::uint16_t) {
  return false;
}

std::uint16_t lookupCode(const CodeDictionary&, std::string_view) { return 0; }

void clearDictionary(CodeDictionary& dictionary) {
  dictionary.entries.clear();
  dictionary.capacity = 0;
  dictionary.count = 0;
}
