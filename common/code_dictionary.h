// Sorted code texts with category numbers, where a pair of neighbouring entries can also stand
// for every code between them (a range). Built once from a conversion file, then only read.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct CodeEntry {
  std::string code;
  std::uint16_t value = 0;       // category number
  std::uint16_t rangeStart = 0;  // k: codes between this entry and the next are category k
  std::uint16_t rangeEnd = 0;    // k: codes between the previous entry and this one are category k
};

struct CodeDictionary {
  std::uint16_t capacity = 0;
  std::vector<CodeEntry> entries;  // entries[0] is the sentinel; entries[1..count] in byte order
  std::uint16_t count = 0;
};

struct CodeSearch {
  bool found = false;
  int position = 0;  // first entry not below the code; count when above all; 0 when empty
  std::uint16_t value = 0;
};

enum class InsertResult { added, updated, full };

void createDictionary(CodeDictionary& dictionary, std::uint16_t capacity);
CodeSearch findCode(const CodeDictionary& dictionary, std::string_view code);
// `full` when the code is new and the dictionary already holds `capacity` entries: nothing
// changes then.
InsertResult insertCode(CodeDictionary& dictionary, std::string_view code, std::uint16_t value);
// False when either end could not be stored for lack of room.
bool insertRange(CodeDictionary& dictionary, std::string_view low, std::string_view high,
                 std::uint16_t value);
std::uint16_t lookupCode(const CodeDictionary& dictionary, std::string_view code);
void clearDictionary(CodeDictionary& dictionary);
