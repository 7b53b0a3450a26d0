#include "dbf_table.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "file_search.h"
#include "html_escape.h"
#include "output.h"

namespace {

// One read brings in as many whole records as fit in this many bytes. A sequential pass over a
// large file costs several times more in 8001-byte reads than in reads of this size, while a
// jump to another block (through an index) reads little more than the kernel's own read-ahead.
constexpr std::size_t kReadBytes = 256 * 1024;
static_assert(kReadBytes >= kBlockSize, "a block holds at least what 8001 bytes hold");

constexpr std::size_t kHeaderSize = 32;
constexpr std::size_t kDescriptorSize = 32;

std::uint16_t littleEndian16(const unsigned char* bytes) {
  return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
}

std::int32_t littleEndian32(const unsigned char* bytes) {
  return static_cast<std::int32_t>(
      static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
      static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24);
}

Failure unreadable(const DbfTable& table) {
  return runtimeError(tableMessage("", table.fileName, " n\xE3o pode ser lido"));
}

// Reads up to `size` bytes at `offset` into `buffer`; `done` is the count, short only at the end
// of the file.
Status readAt(const DbfTable& table, char* buffer, std::size_t size, std::int64_t offset,
              std::size_t& done) {
  done = 0;
  while (done < size) {
    const ssize_t count = pread(fileno(table.file.get()), buffer + done, size - done,
                                static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
    if (count == 0) break;
    if (count < 0) {
      if (errno == EINTR) continue;
      return unreadable(table);
    }
    done += static_cast<std::size_t>(count);
  }
  return std::nullopt;
}

Failure invalidHeader(const DbfTable& table) {
  return Failure{tableMessage("OpenDBF:", table.fileName,
                              " cabe\xE7"
                              "alho inv\xE1lido!")};
}

// Reads exactly `size` bytes of the header at `offset`; a file too short for them has an
// invalid header.
Status readHeaderBytes(const DbfTable& table, void* buffer, std::size_t size, std::int64_t offset) {
  std::size_t done = 0;
  if (Status failure = readAt(table, static_cast<char*>(buffer), size, offset, done)) {
    return failure;
  }
  if (done == size) return std::nullopt;
  return invalidHeader(table);
}

Status loadBlock(DbfTable& table, std::int32_t block) {
  const std::size_t blockBytes =
      static_cast<std::size_t>(table.recordsPerBlock) * table.recordLength;
  const std::int64_t offset =
      table.headerLength + static_cast<std::int64_t>(block) * static_cast<std::int64_t>(blockBytes);
  std::size_t held = 0;
  if (Status failure = readAt(table, table.blockBuffer.data(), blockBytes, offset, held)) {
    return failure;
  }
  // Records the file does not hold read as blank, never as what an earlier block left there.
  std::fill(table.blockBuffer.begin() + static_cast<std::ptrdiff_t>(held),
            table.blockBuffer.begin() + static_cast<std::ptrdiff_t>(blockBytes), ' ');
  table.currentBlock = block;
  ++table.blockReads;
  return std::nullopt;
}

}  // namespace

Status OpenDBF(DbfTable& table, const std::string& name, std::size_t nameLimit) {
  table = DbfTable{};
  table.fileName = cut(name, nameLimit);
  const std::string path = findFile(name);
  if (path.empty()) {
    return Failure{tableMessage("OpenDBF:", table.fileName, " Arquivo n\xE3o encontrado!")};
  }
  // Read-only: the file is never written here, and writers of data files replace them whole.
  table.file.reset(std::fopen(path.c_str(), "rb"));
  if (table.file == nullptr) {
    return Failure{tableMessage("OpenDBF:", table.fileName, " acesso negado!")};
  }

  unsigned char header[kHeaderSize];
  if (Status failure = readHeaderBytes(table, header, kHeaderSize, 0)) return failure;
  const std::uint8_t version = header[0];
  table.hasMemo = version == 0x83;
  // Two-digit years: 0..50 are this century, 51..255 count from 1900.
  const int year = header[1] <= 50 ? 2000 + header[1] : 1900 + header[1];
  table.lastUpdate = std::to_string(year) + twoDigits(header[2]) + twoDigits(header[3]);
  table.recordCount = littleEndian32(header + 4);
  table.headerLength = littleEndian16(header + 8);
  table.recordLength = littleEndian16(header + 10);
  table.languageDriver = header[29];

  // The field count comes from the header length, not from the 0x0D terminator; 0x30 tables
  // keep a 263-byte area after the descriptors. Division truncates toward zero.
  const int fields =
      version == 0x30 ? (table.headerLength - 264) / 32 - 1 : (table.headerLength - 1) / 32 - 1;
  if (fields < 0 || table.recordLength == 0 || table.recordLength > kBlockSize) {
    return invalidHeader(table);
  }
  table.fieldCount = static_cast<std::uint8_t>(fields);

  std::vector<unsigned char> descriptors(kDescriptorSize * table.fieldCount);
  if (Status failure =
          readHeaderBytes(table, descriptors.data(), descriptors.size(), kHeaderSize)) {
    return failure;
  }
  table.fields.assign(table.fieldCount + 1, DbfField{});
  std::uint32_t offset = 1;
  for (int i = 1; i <= table.fieldCount; ++i) {
    const unsigned char* descriptor = descriptors.data() + kDescriptorSize * (i - 1);
    DbfField& field = table.fields[i];
    const unsigned char* nameEnd = std::find(descriptor, descriptor + kMaxFieldName, 0);
    field.name.assign(reinterpret_cast<const char*>(descriptor),
                      static_cast<std::size_t>(nameEnd - descriptor));
    field.type = static_cast<char>(descriptor[11]);
    field.length = descriptor[16];
    field.decimals = descriptor[17];
    field.offset = static_cast<std::uint16_t>(offset);
    offset += field.length;
  }
  // Every field must lie within the record, so that fieldValue never reads past it.
  if (offset > table.recordLength) return invalidHeader(table);

  struct stat info {};
  if (fstat(fileno(table.file.get()), &info) != 0) return unreadable(table);
  const std::int64_t dataBytes = std::max<std::int64_t>(info.st_size - table.headerLength, 0);
  const std::int64_t held = (dataBytes + table.recordLength - 1) / table.recordLength;
  table.recordsHeld =
      static_cast<std::int32_t>(std::min<std::int64_t>(held, std::max(table.recordCount, 0)));

  table.recordsPerBlock = static_cast<std::int32_t>(kReadBytes / table.recordLength);
  table.blockBuffer.assign(
      static_cast<std::size_t>(table.recordsPerBlock) * table.recordLength + kRecordSlack, ' ');
  table.currentBlock = -1;
  table.blockReads = 0;
  table.currentRecord = nullptr;
  table.currentRecordNumber = 0;
  table.open = true;
  return std::nullopt;
}

Status readDBFBlock(DbfTable& table, std::int32_t recordNumber) {
  if (!table.open) return Failure{tableMessage("readDBF:", table.fileName, " n\xE3o aberto!")};
  if (recordNumber < 1 || recordNumber > table.recordCount) {
    return Failure{tableMessage("readDBF:", table.fileName,
                                " N\xFAmero de Reg inv\xE1lido = " + std::to_string(recordNumber)),
                   false};
  }
  const std::int32_t block = (recordNumber - 1) / table.recordsPerBlock;
  if (Status failure = loadBlock(table, block)) return failure;
  const std::int32_t slot = (recordNumber - 1) - block * table.recordsPerBlock;
  table.currentRecord =
      table.blockBuffer.data() + static_cast<std::size_t>(slot) * table.recordLength;
  table.currentRecordNumber = recordNumber;
  return std::nullopt;
}

Status CloseDBF(DbfTable& table) {
  if (!table.open) return Failure{tableMessage("CloseDBF:", table.fileName, " n\xE3o aberto!")};
  table.file.reset();
  table.open = false;
  table.fields.clear();
  table.fields.shrink_to_fit();
  table.blockBuffer.clear();
  table.blockBuffer.shrink_to_fit();
  table.currentRecord = nullptr;
  table.currentBlock = -1;
  return std::nullopt;
}

int lastFieldNamed(const DbfTable& table, std::string_view name) {
  int found = 0;
  for (int i = 1; i <= table.fieldCount; ++i) {
    if (table.fields[i].name == name) found = i;
  }
  return found;
}

int fieldIndex(const DbfTable& table, const std::string& name) {
  std::string wanted = name;
  for (char& c : wanted) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return lastFieldNamed(table, wanted);
}

std::string_view fieldValue(const DbfTable& table, int fieldNumber) {
  const DbfField& field = table.fields[fieldNumber];
  return std::string_view(table.currentRecord + field.offset, field.length);
}

std::string tableMessage(std::string_view before, std::string_view fileName,
                         std::string_view after) {
  std::string message(before);
  message += htmlEscape(fileName);
  message += after;
  return message;
}
