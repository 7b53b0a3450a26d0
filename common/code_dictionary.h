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

// A read-only copy of a filled dictionary for the per-record lookups: when every code fits in
// 8 bytes, each code is packed into one 64-bit key (its bytes, big-endian, zero-padded) with
// its length breaking ties, which keeps the byte order and makes each search step one integer
// comparison within a compact array.
struct PackedCodeEntry {
  std::uint16_t value = 0, rangeStart = 0, rangeEnd = 0;
  std::uint8_t length = 0;
};
struct PackedCodes {
  bool usable = false;                   // false: some code is longer than 8 bytes
  std::vector<std::uint64_t> keys;       // keys[1..count]; keys[0] unused
  std::vector<PackedCodeEntry> entries;  // entries[0] is the sentinel, all zero
};

void packCodes(const CodeDictionary& dictionary, PackedCodes& packed);
// The same answer as lookupCode on the dictionary the codes were packed from, for a code of at
// most 8 bytes (a longer code gives 0: ask lookupCode instead).
std::uint16_t lookupPacked(const PackedCodes& packed, std::string_view code);
