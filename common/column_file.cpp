#include "column_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <utility>

#include "file_search.h"

namespace {

constexpr char kMagic[8] = {'V', 'X', 'C', 'O', 'L', 'U', 'N', 'A'};
constexpr std::size_t kNameBytes = 11;

std::uint64_t roundUp8(std::uint64_t size) { return (size + 7) / 8 * 8; }

// The section and the zero bytes after it, up to the next multiple of 8 after at least 8.
std::uint64_t paddedSize(std::uint64_t size) { return roundUp8(size + kColumnSlack); }

std::uint64_t dictionaryBytes(int length, std::uint32_t entries) {
  return roundUp8(std::uint64_t{entries} * static_cast<std::uint64_t>(length));
}

std::uint64_t sectionSize(const ColumnPlan& plan, int length, std::int32_t held) {
  const auto records = static_cast<std::uint64_t>(held);
  if (plan.encoding == ColumnEncoding::raw) return records * static_cast<std::uint64_t>(length);
  return dictionaryBytes(length, plan.entryCount) +
         records * static_cast<std::uint64_t>(plan.codeWidth);
}

std::uint64_t headSize(std::size_t fieldCount) {
  return kColumnHeaderSize + (kColumnLayoutSize + kColumnEntrySize) * fieldCount;
}

template <typename T>
void put(std::string& bytes, std::size_t at, T value) {
  for (std::size_t i = 0; i < sizeof(T); ++i) {
    bytes[at + i] = static_cast<char>(static_cast<std::uint64_t>(value) >> (8 * i) & 0xFF);
  }
}

template <typename T>
T get(const char* bytes, std::size_t at) {
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < sizeof(T); ++i) {
    value |= std::uint64_t{static_cast<unsigned char>(bytes[at + i])} << (8 * i);
  }
  return static_cast<T>(value);
}

std::size_t fieldCountOf(const ColumnFileKey& key) {
  return key.fields.empty() ? 0 : key.fields.size() - 1;
}

bool headerMatches(const char* bytes, std::size_t size, const ColumnFileKey& key) {
  return std::memcmp(bytes, kMagic, sizeof kMagic) == 0 &&
         get<std::uint32_t>(bytes, 8) == kColumnFileVersion &&
         get<std::uint32_t>(bytes, 12) == fieldCountOf(key) &&
         get<std::uint64_t>(bytes, 16) == key.dataSize &&
         get<std::int64_t>(bytes, 24) == key.modifiedSeconds &&
         get<std::uint32_t>(bytes, 32) == key.modifiedNanoseconds &&
         get<std::int32_t>(bytes, 36) == key.recordCount &&
         get<std::int32_t>(bytes, 40) == key.recordsHeld &&
         get<std::uint16_t>(bytes, 44) == key.recordLength &&
         get<std::uint16_t>(bytes, 46) == key.headerLength && get<std::uint64_t>(bytes, 48) == size;
}

bool layoutMatches(const char* layout, const DbfField& field) {
  const std::size_t nameLength = strnlen(layout, kNameBytes);
  return std::string_view(layout, nameLength) == field.name && layout[11] == field.type &&
         static_cast<std::uint8_t>(layout[12]) == field.length &&
         static_cast<std::uint8_t>(layout[13]) == field.decimals &&
         get<std::uint16_t>(layout, 14) == field.offset;
}

// One column entry, checked against the field and the file: false for anything a writer of
// this version never stores, or a section that does not lie whole (with its slack) in the file.
bool readEntry(const char* entry, const DbfField& field, std::int32_t held, const char* bytes,
               std::size_t size, std::uint64_t sectionsStart, FieldColumn& column) {
  ColumnPlan plan;
  const auto encoding = static_cast<std::uint8_t>(entry[0]);
  plan.codeWidth = static_cast<std::uint8_t>(entry[1]);
  plan.entryCount = get<std::uint32_t>(entry, 4);
  const auto offset = get<std::uint64_t>(entry, 8), stated = get<std::uint64_t>(entry, 16);
  if (encoding == static_cast<std::uint8_t>(ColumnEncoding::raw)) {
    if (plan.codeWidth != 0 || plan.entryCount != 0) return false;
    plan.encoding = ColumnEncoding::raw;
  } else if (encoding == static_cast<std::uint8_t>(ColumnEncoding::dictionary)) {
    if (plan.codeWidth != 1 && plan.codeWidth != 2) return false;
    if (plan.entryCount == 0 || plan.entryCount > (std::uint32_t{1} << (8 * plan.codeWidth))) {
      return false;
    }
    plan.encoding = ColumnEncoding::dictionary;
  } else {
    return false;
  }
  if (stated != sectionSize(plan, field.length, held)) return false;
  if (offset % 8 != 0 || offset < sectionsStart || offset > size) return false;
  if (stated > size - offset || size - offset - stated < kColumnSlack) return false;

  column.encoding = plan.encoding;
  column.length = field.length;
  column.codeWidth = plan.codeWidth;
  column.entryCount = plan.entryCount;
  column.values = bytes + offset;
  column.codes = plan.encoding == ColumnEncoding::dictionary
                     ? reinterpret_cast<const unsigned char*>(
                           bytes + offset + dictionaryBytes(field.length, plan.entryCount))
                     : nullptr;
  return true;
}

void releaseMapping(ColumnFile& columnFile) {
  if (columnFile.bytes != nullptr) {
    munmap(const_cast<char*>(columnFile.bytes), columnFile.size);
  }
  columnFile.bytes = nullptr;
  columnFile.size = 0;
}

}  // namespace

ColumnFile::ColumnFile(ColumnFile&& other) noexcept { *this = std::move(other); }

ColumnFile& ColumnFile::operator=(ColumnFile&& other) noexcept {
  if (this != &other) {
    closeColumnFile(*this);
    path = std::move(other.path);
    recordsHeld = other.recordsHeld;
    columns = std::move(other.columns);
    bytes = std::exchange(other.bytes, nullptr);
    size = std::exchange(other.size, 0);
    other.columns.clear();
    other.recordsHeld = 0;
  }
  return *this;
}

ColumnFile::~ColumnFile() { closeColumnFile(*this); }

std::string columnFilePath(const std::string& dataPath) {
  return replaceExtension(dataPath, ".COL");
}

bool dataFileKey(const DbfTable& table, ColumnFileKey& key) {
  struct stat info {};
  if (table.file == nullptr || fstat(fileno(table.file.get()), &info) != 0) return false;
  key.dataSize = static_cast<std::uint64_t>(info.st_size);
  key.modifiedSeconds = static_cast<std::int64_t>(info.st_mtim.tv_sec);
  key.modifiedNanoseconds = static_cast<std::uint32_t>(info.st_mtim.tv_nsec);
  key.recordCount = table.recordCount;
  key.recordsHeld = table.recordsHeld;
  key.recordLength = table.recordLength;
  key.headerLength = table.headerLength;
  key.fields = table.fields;
  return true;
}

bool readColumnBytes(ColumnFile& columnFile, const char* bytes, std::size_t size,
                     const ColumnFileKey& key) {
  columnFile.columns.clear();
  columnFile.recordsHeld = 0;
  const std::size_t fieldCount = fieldCountOf(key);
  const std::uint64_t sectionsStart = headSize(fieldCount);
  if (size < sectionsStart || !headerMatches(bytes, size, key)) return false;
  std::vector<FieldColumn> columns(fieldCount + 1);
  for (std::size_t f = 1; f <= fieldCount; ++f) {
    const char* layout = bytes + kColumnHeaderSize + kColumnLayoutSize * (f - 1);
    const char* entry =
        bytes + kColumnHeaderSize + kColumnLayoutSize * fieldCount + kColumnEntrySize * (f - 1);
    if (!layoutMatches(layout, key.fields[f]) ||
        !readEntry(entry, key.fields[f], key.recordsHeld, bytes, size, sectionsStart, columns[f])) {
      return false;
    }
  }
  columnFile.columns = std::move(columns);
  columnFile.recordsHeld = key.recordsHeld;
  return true;
}

bool openColumnFile(ColumnFile& columnFile, const DbfTable& table, const std::string& dataPath) {
  closeColumnFile(columnFile);
  ColumnFileKey key;
  if (!dataFileKey(table, key)) return false;
  const std::string path = findFile(columnFilePath(dataPath));
  if (path.empty()) return false;
  const int descriptor = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) return false;
  struct stat info {};
  void* mapping = MAP_FAILED;
  const bool sized = fstat(descriptor, &info) == 0 && S_ISREG(info.st_mode) &&
                     static_cast<std::uint64_t>(info.st_size) >= kColumnHeaderSize;
  if (sized) {
    mapping =
        mmap(nullptr, static_cast<std::size_t>(info.st_size), PROT_READ, MAP_SHARED, descriptor, 0);
  }
  close(descriptor);
  if (mapping == MAP_FAILED) return false;
  columnFile.bytes = static_cast<const char*>(mapping);
  columnFile.size = static_cast<std::size_t>(info.st_size);
  if (!readColumnBytes(columnFile, columnFile.bytes, columnFile.size, key)) {
    closeColumnFile(columnFile);
    return false;
  }
  columnFile.path = path;
  return true;
}

void closeColumnFile(ColumnFile& columnFile) {
  releaseMapping(columnFile);
  columnFile.path.clear();
  columnFile.recordsHeld = 0;
  columnFile.columns.clear();
}

void prefetchColumn(const ColumnFile& columnFile, int fieldNumber, std::int32_t first,
                    std::int32_t last) {
  if (columnFile.bytes == nullptr || fieldNumber < 1 ||
      static_cast<std::size_t>(fieldNumber) >= columnFile.columns.size()) {
    return;
  }
  if (first < 1) first = 1;
  if (last > columnFile.recordsHeld) last = columnFile.recordsHeld;
  if (last < first) return;
  const FieldColumn& column = columnFile.columns[static_cast<std::size_t>(fieldNumber)];
  const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  auto advise = [&](const void* begin, std::size_t length) {
    if (length == 0) return;
    const auto start = reinterpret_cast<std::uintptr_t>(begin);
    const std::uintptr_t aligned = start / page * page;
    madvise(reinterpret_cast<void*>(aligned), length + (start - aligned), MADV_WILLNEED);
  };
  const auto records = static_cast<std::size_t>(last - first + 1);
  if (column.encoding == ColumnEncoding::dictionary) {
    advise(column.values, column.entryCount * static_cast<std::size_t>(column.length));
    advise(column.codes + static_cast<std::size_t>(first - 1) * column.codeWidth,
           records * static_cast<std::size_t>(column.codeWidth));
  } else {
    const auto length = static_cast<std::size_t>(column.length);
    advise(column.values + static_cast<std::size_t>(first - 1) * length, records * length);
  }
}

std::string_view columnFieldValue(const ColumnFile& columnFile, int fieldNumber,
                                  std::int32_t record) {
  const FieldColumn& column = columnFile.columns[static_cast<std::size_t>(fieldNumber)];
  if (record > columnFile.recordsHeld) {
    static const std::string blanks(255, ' ');
    return std::string_view(blanks).substr(0, static_cast<std::size_t>(column.length));
  }
  return columnValue(column, record);
}

ColumnPlan chooseEncoding(int length, std::uint32_t distinct, std::int32_t held) {
  ColumnPlan plan;
  if (distinct == 0 || distinct > 65536) return plan;
  ColumnPlan dictionary;
  dictionary.encoding = ColumnEncoding::dictionary;
  dictionary.codeWidth = distinct <= 256 ? 1 : 2;
  dictionary.entryCount = distinct;
  const std::uint64_t raw = sectionSize(plan, length, held);
  return sectionSize(dictionary, length, held) <= raw + raw / 16 ? dictionary : plan;
}

std::uint64_t planColumnFile(const ColumnFileKey& key, std::vector<ColumnPlan>& plans) {
  const std::size_t fieldCount = fieldCountOf(key);
  plans.resize(fieldCount + 1);
  std::uint64_t offset = headSize(fieldCount);
  offset = roundUp8(offset);
  for (std::size_t f = 1; f <= fieldCount; ++f) {
    plans[f].offset = offset;
    plans[f].size = sectionSize(plans[f], key.fields[f].length, key.recordsHeld);
    offset += paddedSize(plans[f].size);
  }
  return offset;
}

std::string columnFileHead(const ColumnFileKey& key, const std::vector<ColumnPlan>& plans,
                           std::uint64_t fileSize) {
  const std::size_t fieldCount = fieldCountOf(key);
  std::string head(headSize(fieldCount), '\0');
  std::memcpy(head.data(), kMagic, sizeof kMagic);
  put(head, 8, kColumnFileVersion);
  put(head, 12, static_cast<std::uint32_t>(fieldCount));
  put(head, 16, key.dataSize);
  put(head, 24, key.modifiedSeconds);
  put(head, 32, key.modifiedNanoseconds);
  put(head, 36, key.recordCount);
  put(head, 40, key.recordsHeld);
  put(head, 44, key.recordLength);
  put(head, 46, key.headerLength);
  put(head, 48, fileSize);
  for (std::size_t f = 1; f <= fieldCount; ++f) {
    const DbfField& field = key.fields[f];
    const std::size_t layout = kColumnHeaderSize + kColumnLayoutSize * (f - 1);
    std::memcpy(head.data() + layout, field.name.data(), std::min(field.name.size(), kNameBytes));
    head[layout + 11] = field.type;
    head[layout + 12] = static_cast<char>(field.length);
    head[layout + 13] = static_cast<char>(field.decimals);
    put(head, layout + 14, field.offset);
    const ColumnPlan& plan = plans[f];
    const std::size_t entry =
        kColumnHeaderSize + kColumnLayoutSize * fieldCount + kColumnEntrySize * (f - 1);
    head[entry] = static_cast<char>(plan.encoding);
    head[entry + 1] = static_cast<char>(plan.codeWidth);
    put(head, entry + 4, plan.entryCount);
    put(head, entry + 8, plan.offset);
    put(head, entry + 16, plan.size);
  }
  return head;
}
