// dBase III layout, little-endian: 0 version 0x03, 1-3 last update (YY since 1900, MM, DD),
// 4 record count, 8 header length, 10 record length, 29 language driver; then one 32-byte
// descriptor per field (name 11, type 1, 4 unused, length 1, decimals 1, 14 unused), 0x0D,
// the records (a space for "not deleted", then the fields), and 0x1A.
#include "dbf_writer.h"

#include <algorithm>
#include <cstring>

namespace {

void putLittleEndian(std::string& bytes, std::size_t at, std::uint32_t value, int width) {
  for (int i = 0; i < width; ++i)
    bytes[at + static_cast<std::size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

}  // namespace

bool openDbfWriter(DbfWriter& writer, const std::string& path,
                   const std::vector<DbfColumn>& columns, std::int32_t recordCount) {
  writer.path = path;
  writer.temporaryPath = path + ".tmp";
  writer.columns = columns;
  writer.recordCount = recordCount;
  writer.written = 0;
  writer.file = std::fopen(writer.temporaryPath.c_str(), "wb");
  if (!writer.file) {
    std::fprintf(stderr, "cannot create %s\n", writer.temporaryPath.c_str());
    return false;
  }
  int recordLength = 1;
  for (const DbfColumn& c : columns) recordLength += c.length;
  const std::size_t headerLength = 32 + 32 * columns.size() + 1;
  std::string header(headerLength, '\0');
  header[0] = 0x03;
  header[1] = static_cast<char>(124);  // 2024-01-15: a fixed date keeps the site reproducible
  header[2] = 1;
  header[3] = 15;
  putLittleEndian(header, 4, static_cast<std::uint32_t>(recordCount), 4);
  putLittleEndian(header, 8, static_cast<std::uint32_t>(headerLength), 2);
  putLittleEndian(header, 10, static_cast<std::uint32_t>(recordLength), 2);
  header[29] = 0x03;  // Windows ANSI
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const std::size_t at = 32 + 32 * i;
    std::memcpy(&header[at], columns[i].name.data(),
                std::min<std::size_t>(10, columns[i].name.size()));
    header[at + 11] = columns[i].type;
    header[at + 16] = static_cast<char>(columns[i].length);
    header[at + 17] = static_cast<char>(columns[i].decimals);
  }
  header[headerLength - 1] = 0x0D;
  std::fwrite(header.data(), 1, header.size(), writer.file);
  writer.record.assign(static_cast<std::size_t>(recordLength), ' ');
  return true;
}

void appendDbfRecord(DbfWriter& writer, const std::vector<std::string>& values) {
  std::string& r = writer.record;
  std::fill(r.begin(), r.end(), ' ');
  std::size_t at = 1;
  for (std::size_t i = 0; i < writer.columns.size(); ++i) {
    const DbfColumn& c = writer.columns[i];
    const std::size_t width = static_cast<std::size_t>(c.length);
    const std::string& v = i < values.size() ? values[i] : std::string();
    const std::size_t n = std::min(width, v.size());
    if (c.type == 'N')
      std::memcpy(&r[at + width - n], v.data(), n);
    else
      std::memcpy(&r[at], v.data(), n);
    at += width;
  }
  std::fwrite(r.data(), 1, r.size(), writer.file);
  ++writer.written;
}

bool closeDbfWriter(DbfWriter& writer) {
  std::fputc(0x1A, writer.file);
  const bool ok = std::ferror(writer.file) == 0 && writer.written == writer.recordCount;
  const bool closed = std::fclose(writer.file) == 0;
  writer.file = nullptr;
  if (!ok || !closed || std::rename(writer.temporaryPath.c_str(), writer.path.c_str()) != 0) {
    std::fprintf(stderr, "cannot write %s\n", writer.path.c_str());
    std::remove(writer.temporaryPath.c_str());
    return false;
  }
  return true;
}
