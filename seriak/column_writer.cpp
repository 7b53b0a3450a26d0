#include "column_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <numeric>
#include <string_view>
#include <utility>
#include <vector>

#include "column_file.h"
#include "file_search.h"
#include "temporary_file.h"

namespace {

constexpr std::uint32_t kNoEntry = 0xFFFFFFFF;
constexpr std::uint32_t kMaxEntries = 65536;
// Each column collects this much before it is written at its place in the file.
constexpr std::size_t kFlushBytes = 256 * 1024;

std::uint64_t hashBytes(const char* bytes, std::size_t length) {
  std::uint64_t hash = 0x9E3779B97F4A7C15ULL ^ length;
  while (length > 0) {
    std::uint64_t word = 0;
    const std::size_t take = std::min<std::size_t>(length, 8);
    std::memcpy(&word, bytes, take);
    hash = (hash ^ word) * 0xFF51AFD7ED558CCDULL;
    hash ^= hash >> 32;
    bytes += take;
    length -= take;
  }
  return hash;
}

// The distinct values of one field in first-seen order, kept while a dictionary can hold them.
struct DistinctValues {
  std::size_t length = 0;
  bool fits = true;
  std::uint32_t count = 0;
  std::string entries;               // count x length bytes
  std::vector<std::uint32_t> slots;  // open addressing by hash: entry + 1, 0 empty
  std::uint32_t last = kNoEntry;     // the previous record's entry: sorted files repeat it
};

const char* entryBytes(const DistinctValues& values, std::uint32_t entry) {
  return values.entries.data() + entry * values.length;
}

bool sameValue(const DistinctValues& values, std::uint32_t entry, const char* value) {
  return std::memcmp(entryBytes(values, entry), value, values.length) == 0;
}

void placeEntries(DistinctValues& values, std::size_t slotCount) {
  values.slots.assign(slotCount, 0);
  const std::size_t mask = slotCount - 1;
  for (std::uint32_t entry = 0; entry < values.count; ++entry) {
    std::size_t slot = hashBytes(entryBytes(values, entry), values.length) & mask;
    while (values.slots[slot] != 0) slot = (slot + 1) & mask;
    values.slots[slot] = entry + 1;
  }
}

// The entry of `value`. A new value is added when `add` (kNoEntry once the field has more values
// than a dictionary holds, and from then on); kNoEntry for a new value when not `add`.
std::uint32_t findEntry(DistinctValues& values, const char* value, bool add) {
  if (!values.fits) return kNoEntry;
  if (values.last != kNoEntry && sameValue(values, values.last, value)) return values.last;
  const std::size_t mask = values.slots.size() - 1;
  std::size_t slot = hashBytes(value, values.length) & mask;
  for (; values.slots[slot] != 0; slot = (slot + 1) & mask) {
    const std::uint32_t entry = values.slots[slot] - 1;
    if (sameValue(values, entry, value)) return values.last = entry;
  }
  if (!add) return kNoEntry;
  if (values.count == kMaxEntries) {
    values.fits = false;
    values.count = 0;
    values.last = kNoEntry;
    std::string().swap(values.entries);
    std::vector<std::uint32_t>().swap(values.slots);
    return kNoEntry;
  }
  const std::uint32_t entry = values.count++;
  values.entries.append(value, values.length);
  values.slots[slot] = entry + 1;
  if (std::size_t{values.count} * 2 > values.slots.size()) {
    placeEntries(values, values.slots.size() * 2);
  }
  return values.last = entry;
}

// One field's section, filled in record order and written at its place as it grows.
struct SectionWriter {
  std::uint64_t next = 0;  // file offset of the next byte
  std::string buffer;
  std::vector<std::uint16_t> codeOf;  // dictionary: code by first-seen entry
};

bool writeAt(int descriptor, const char* bytes, std::size_t size, std::uint64_t offset) {
  while (size > 0) {
    const ssize_t count = pwrite(descriptor, bytes, size, static_cast<off_t>(offset));
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return false;
    bytes += count;
    size -= static_cast<std::size_t>(count);
    offset += static_cast<std::uint64_t>(count);
  }
  return true;
}

bool flush(int descriptor, SectionWriter& section) {
  if (!writeAt(descriptor, section.buffer.data(), section.buffer.size(), section.next)) {
    return false;
  }
  section.next += section.buffer.size();
  section.buffer.clear();
  return true;
}

Status distinctValues(DbfTable& table, std::vector<DistinctValues>& distinct) {
  distinct.assign(table.fieldCount + 1u, DistinctValues{});
  for (int f = 1; f <= table.fieldCount; ++f) {
    distinct[f].length = table.fields[f].length;
    placeEntries(distinct[f], 1024);
  }
  for (std::int32_t n = 1; n <= table.recordsHeld; ++n) {
    if (Status failure = readDBF(table, n)) return failure;
    for (int f = 1; f <= table.fieldCount; ++f) {
      findEntry(distinct[f], table.currentRecord + table.fields[f].offset, true);
    }
  }
  return std::nullopt;
}

// A dictionary's entries in ascending byte order, and each first-seen entry's code.
std::string sortedEntries(const DistinctValues& values, std::vector<std::uint16_t>& codeOf) {
  std::vector<std::uint32_t> order(values.count);
  std::iota(order.begin(), order.end(), 0u);
  std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
    return std::string_view(entryBytes(values, a), values.length) <
           std::string_view(entryBytes(values, b), values.length);
  });
  codeOf.assign(values.count, 0);
  std::string sorted;
  sorted.reserve(values.entries.size());
  for (std::uint32_t code = 0; code < values.count; ++code) {
    codeOf[order[code]] = static_cast<std::uint16_t>(code);
    sorted.append(entryBytes(values, order[code]), values.length);
  }
  return sorted;
}

bool sameFile(const ColumnFileKey& before, const ColumnFileKey& after) {
  return before.dataSize == after.dataSize && before.modifiedSeconds == after.modifiedSeconds &&
         before.modifiedNanoseconds == after.modifiedNanoseconds;
}

}  // namespace

Status writeColumnFile(DbfTable& table, const std::string& dataPath, std::uint64_t& fileSize) {
  const Failure changed =
      runtimeError(tableMessage("", table.fileName, " mudou durante a leitura"));
  ColumnFileKey key;
  if (!dataFileKey(table, key)) {
    return runtimeError(tableMessage("", table.fileName, " n\xE3o pode ser lido"));
  }
  std::vector<DistinctValues> distinct;
  if (Status failure = distinctValues(table, distinct)) return failure;
  std::vector<ColumnPlan> plans(table.fieldCount + 1u);
  for (int f = 1; f <= table.fieldCount; ++f) {
    const DistinctValues& values = distinct[f];
    plans[f] =
        chooseEncoding(table.fields[f].length, values.fits ? values.count : 0, table.recordsHeld);
  }
  fileSize = planColumnFile(key, plans);

  const std::string columnPath = columnFilePath(dataPath);
  // A column file stored under a name that differs only in case is the one to replace.
  const std::string existing = findFile(columnPath);
  const std::string target = existing.empty() ? columnPath : existing;
  TemporaryFile temporary;
  if (Status failure = createTemporary(temporary, target)) return failure;
  const int descriptor = temporary.descriptor;

  const std::string head = columnFileHead(key, plans, fileSize);
  if (!writeAt(descriptor, head.data(), head.size(), 0)) return cannotWrite(temporary);
  std::vector<SectionWriter> sections(table.fieldCount + 1u);
  for (int f = 1; f <= table.fieldCount; ++f) {
    SectionWriter& section = sections[f];
    section.next = plans[f].offset;
    if (plans[f].encoding == ColumnEncoding::dictionary) {
      const std::string entries = sortedEntries(distinct[f], section.codeOf);
      if (!writeAt(descriptor, entries.data(), entries.size(), section.next)) {
        return cannotWrite(temporary);
      }
      section.next += (entries.size() + 7) / 8 * 8;
    } else {
      distinct[f] = DistinctValues{};
    }
  }

  for (std::int32_t n = 1; n <= table.recordsHeld; ++n) {
    if (Status failure = readDBF(table, n)) return failure;
    for (int f = 1; f <= table.fieldCount; ++f) {
      SectionWriter& section = sections[f];
      const char* value = table.currentRecord + table.fields[f].offset;
      if (plans[f].encoding == ColumnEncoding::raw) {
        section.buffer.append(value, table.fields[f].length);
      } else {
        const std::uint32_t entry = findEntry(distinct[f], value, false);
        // A value the first pass never saw: the file changed between the two passes.
        if (entry == kNoEntry) return changed;
        const std::uint16_t code = section.codeOf[entry];
        section.buffer += static_cast<char>(code & 0xFF);
        if (plans[f].codeWidth == 2) section.buffer += static_cast<char>(code >> 8);
      }
      if (section.buffer.size() >= kFlushBytes && !flush(descriptor, section)) {
        return cannotWrite(temporary);
      }
    }
  }
  for (int f = 1; f <= table.fieldCount; ++f) {
    if (!flush(descriptor, sections[f])) return cannotWrite(temporary);
  }
  ColumnFileKey after;
  if (!dataFileKey(table, after) || !sameFile(key, after)) return changed;
  // The padding after the last section is zero bytes; the file reaches the disk before it is
  // renamed into place, so that a crash never leaves a whole-looking file of zeros.
  if (ftruncate(descriptor, static_cast<off_t>(fileSize)) != 0 || fsync(descriptor) != 0) {
    return cannotWrite(temporary);
  }
  return publishTemporary(temporary, target);
}

Status writeColumnFileOf(DbfTable& table, const std::string& dataPath, std::string& note) {
  {
    ColumnFile current;
    if (openColumnFile(current, table, dataPath)) {
      note = " colunas em dia";
      return std::nullopt;
    }
  }
  std::uint64_t fileSize = 0;
  if (Status failure = writeColumnFile(table, dataPath, fileSize)) return failure;
  note = " colunas: " + std::to_string(fileSize) + " bytes";
  return std::nullopt;
}
