// The sorted code dictionary: byte-ordered code texts with category numbers and range marks.
// Entries are allocated once at creation; inserting shifts them, so a dictionary is built once
// from a conversion file and then only read, once per record and dimension.
#include "code_dictionary.h"

#include <algorithm>

namespace {

// First entry (1..count) whose text is not below `code`; count when the code is above them all,
// 0 when the dictionary is empty. std::string_view compares bytes as unsigned.
int searchPosition(const CodeDictionary& dictionary, std::string_view code) {
  int low = 1;
  int high = dictionary.count;
  while (low < high) {
    const int middle = (low + high) / 2;
    if (code > std::string_view(dictionary.entries[middle].code)) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  return high;
}

}  // namespace

void createDictionary(CodeDictionary& dictionary, std::uint16_t capacity) {
  dictionary.capacity = capacity;
  dictionary.entries.clear();
  dictionary.entries.resize(capacity + 1u);
  dictionary.count = 0;
}

CodeSearch findCode(const CodeDictionary& dictionary, std::string_view code) {
  CodeSearch search;
  if (dictionary.entries.empty()) return search;  // never created, or cleared
  search.position = searchPosition(dictionary, code);
  const CodeEntry& entry = dictionary.entries[search.position];
  search.found = search.position != 0 && code == std::string_view(entry.code);
  search.value = entry.value;
  return search;
}

InsertResult insertCode(CodeDictionary& dictionary, std::string_view code, std::uint16_t value) {
  std::vector<CodeEntry>& entries = dictionary.entries;
  const int count = dictionary.count;
  if (count == 0 || code > std::string_view(entries[count].code)) {
    if (count >= dictionary.capacity) return InsertResult::full;
    CodeEntry& last = entries[count + 1];
    last.code.assign(code);
    last.value = value;
    last.rangeStart = last.rangeEnd = 0;
    dictionary.count = static_cast<std::uint16_t>(count + 1);
    return InsertResult::added;
  }
  const CodeSearch search = findCode(dictionary, code);
  if (search.found) {
    entries[search.position].value = value;
    return InsertResult::updated;
  }
  if (count >= dictionary.capacity) return InsertResult::full;
  const int p = search.position;
  std::move_backward(entries.begin() + p, entries.begin() + count + 1, entries.begin() + count + 2);
  dictionary.count = static_cast<std::uint16_t>(count + 1);
  CodeEntry& entry = entries[p];
  entry.code.assign(code);
  entry.value = value;
  // A code stored inside a range keeps the range going on both sides of it.
  const std::uint16_t k = entries[p - 1].rangeStart;
  const bool insideRange = k != 0 && k == entries[p + 1].rangeEnd;
  entry.rangeStart = entry.rangeEnd = insideRange ? k : 0;
  return InsertResult::added;
}

bool insertRange(CodeDictionary& dictionary, std::string_view low, std::string_view high,
                 std::uint16_t value) {
  const bool lowStored = insertCode(dictionary, low, value) != InsertResult::full;
  const bool highStored = insertCode(dictionary, high, value) != InsertResult::full;
  const CodeSearch lowSearch = findCode(dictionary, low);
  if (lowSearch.found) dictionary.entries[lowSearch.position].rangeStart = value;
  const CodeSearch highSearch = findCode(dictionary, high);
  if (highSearch.found) dictionary.entries[highSearch.position].rangeEnd = value;
  return lowStored && highStored;
}

std::uint16_t lookupCode(const CodeDictionary& dictionary, std::string_view code) {
  if (dictionary.count == 0) return 0;
  const int p = searchPosition(dictionary, code);
  const CodeEntry& entry = dictionary.entries[p];
  const std::string_view text(entry.code);
  if (code == text) return entry.value;
  if (code > text) return 0;
  return entry.rangeEnd == dictionary.entries[p - 1].rangeStart ? entry.rangeEnd : 0;
}

void clearDictionary(CodeDictionary& dictionary) {
  dictionary.entries.clear();
  dictionary.entries.shrink_to_fit();
  dictionary.capacity = 0;
  dictionary.count = 0;
}

namespace {

constexpr std::size_t kPackedLength = 8;

std::uint64_t packedKey(std::string_view code) {
  std::uint64_t key = 0;
  for (std::size_t i = 0; i < kPackedLength; ++i) {
    key <<= 8;
    if (i < code.size()) key |= static_cast<unsigned char>(code[i]);
  }
  return key;
}

}  // namespace

void packCodes(const CodeDictionary& dictionary, PackedCodes& packed) {
  packed = PackedCodes{};
  for (int i = 1; i <= dictionary.count; ++i) {
    if (dictionary.entries[i].code.size() > kPackedLength) return;
  }
  packed.keys.assign(dictionary.count + 1u, 0);
  packed.entries.assign(dictionary.count + 1u, PackedCodeEntry{});
  for (int i = 1; i <= dictionary.count; ++i) {
    const CodeEntry& entry = dictionary.entries[i];
    packed.keys[i] = packedKey(entry.code);
    packed.entries[i] = {entry.value, entry.rangeStart, entry.rangeEnd,
                         static_cast<std::uint8_t>(entry.code.size())};
  }
  packed.usable = true;
}

std::uint16_t lookupPacked(const PackedCodes& packed, std::string_view code) {
  const int count = static_cast<int>(packed.keys.size()) - 1;
  if (count <= 0 || code.size() > kPackedLength) return 0;
  const std::uint64_t key = packedKey(code);
  const std::size_t length = code.size();
  const std::uint64_t* keys = packed.keys.data();
  const PackedCodeEntry* entries = packed.entries.data();
  // Branch-free search for the first entry not below the code: the step taken depends on a
  // comparison whose outcome is unpredictable, so it becomes a conditional move.
  const auto below = [&](int i) {
    return (keys[i] < key) | ((keys[i] == key) & (entries[i].length < length));
  };
  int base = 1;
  int remaining = count;
  while (remaining > 1) {
    const int half = remaining / 2;
    base = below(base + half - 1) ? base + half : base;
    remaining -= half;
  }
  const int high = std::min(base + static_cast<int>(below(base)), count);
  const PackedCodeEntry& entry = entries[high];
  if (key == keys[high] && length == entry.length) return entry.value;
  if (key > keys[high] || (key == keys[high] && length > entry.length)) return 0;
  return entry.rangeEnd == entries[high - 1].rangeStart ? entry.rangeEnd : 0;
}
