#include "test_dbf.h"

#include <cstdlib>
#include <fstream>

namespace {

void putLittleEndian(std::string& bytes, std::size_t at, std::uint32_t value, int size) {
  for (int i = 0; i < size; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

bool rightAligned(char type) { return type == 'N' || type == 'F'; }

std::string padded(const std::string& value, const TestField& field) {
  const std::size_t length = static_cast<std::size_t>(field.length);
  if (value.size() >= length) return value.substr(0, length);
  const std::string padding(length - value.size(), ' ');
  return rightAligned(field.type) ? padding + value : value + padding;
}

std::string trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end - start));
    if (end == std::string::npos) return parts;
    start = end + 1;
  }
}

bool parseNumber(const std::string& text, long& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  value = std::strtol(text.c_str(), &end, 0);
  return *end == '\0';
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Splits a record line at unescaped "|" and decodes \xNN, \\ and \|.
bool parseValues(const std::string& line, std::vector<std::string>& values, std::string& error) {
  values.assign(1, "");
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (c == '|') {
      values.emplace_back();
    } else if (c != '\\') {
      values.back() += c;
    } else if (i + 1 < line.size() && (line[i + 1] == '\\' || line[i + 1] == '|')) {
      values.back() += line[++i];
    } else if (i + 3 < line.size() && line[i + 1] == 'x' && hexDigit(line[i + 2]) >= 0 &&
               hexDigit(line[i + 3]) >= 0) {
      values.back() += static_cast<char>(hexDigit(line[i + 2]) * 16 + hexDigit(line[i + 3]));
      i += 3;
    } else {
      error = "bad escape in: " + line;
      return false;
    }
  }
  return true;
}

bool parseFields(const std::string& line, std::vector<TestField>& fields, std::string& error) {
  for (const std::string& entry : split(line, ',')) {
    std::vector<std::string> words;
    for (const std::string& word : split(trimmed(entry), ' ')) {
      if (!word.empty()) words.push_back(word);
    }
    long length = 0, decimals = 0;
    if (words.size() < 3 || words.size() > 4 || words[1].size() != 1 ||
        !parseNumber(words[2], length) || length < 0 || length > 255 ||
        (words.size() == 4 && !parseNumber(words[3], decimals))) {
      error = "bad field \"" + trimmed(entry) + "\" (want NAME TYPE LENGTH [DECIMALS])";
      return false;
    }
    fields.push_back({words[0], words[1][0], static_cast<int>(length), static_cast<int>(decimals)});
  }
  return true;
}

bool parseSetting(const std::string& line, TestDbf& dbf, std::string& error) {
  const std::size_t space = line.find(' ');
  const std::string key =
      line.substr(1, space == std::string::npos ? std::string::npos : space - 1);
  const std::string value = space == std::string::npos ? "" : trimmed(line.substr(space + 1));
  std::vector<long> numbers;
  for (const std::string& word : split(value, ' ')) {
    long number = 0;
    if (!word.empty() && parseNumber(word, number)) numbers.push_back(number);
  }
  const auto one = [&](long& out) {
    if (numbers.size() != 1) return false;
    out = numbers[0];
    return true;
  };
  long number = 0;
  if (key == "version" && one(number)) {
    dbf.version = static_cast<std::uint8_t>(number);
  } else if (key == "language" && one(number)) {
    dbf.languageDriver = static_cast<std::uint8_t>(number);
  } else if (key == "headerLength" && one(number)) {
    dbf.headerLength = static_cast<int>(number);
  } else if (key == "recordLength" && one(number)) {
    dbf.recordLength = static_cast<int>(number);
  } else if (key == "records" && one(number)) {
    dbf.recordCount = static_cast<std::int32_t>(number);
  } else if (key == "date" && numbers.size() == 3) {
    dbf.year = static_cast<std::uint8_t>(numbers[0]);
    dbf.month = static_cast<std::uint8_t>(numbers[1]);
    dbf.day = static_cast<std::uint8_t>(numbers[2]);
  } else if (key == "endMark" && (value == "on" || value == "off")) {
    dbf.endMark = value == "on";
  } else if (key == "trailing") {
    std::vector<std::string> parts;
    if (!parseValues(value, parts, error) || parts.size() != 1) return false;
    dbf.trailing = parts[0];
  } else {
    error = "bad setting: " + line;
    return false;
  }
  return true;
}

}  // namespace

std::string TestDbf::bytes() const {
  int fieldSum = 0;
  for (const TestField& field : fields) fieldSum += field.length;
  const int naturalHeader =
      32 + 32 * static_cast<int>(fields.size()) + 1 + (version == 0x30 ? 263 : 0);
  const std::size_t header = static_cast<std::size_t>(headerLength.value_or(naturalHeader));
  const std::size_t record = static_cast<std::size_t>(recordLength.value_or(1 + fieldSum));

  std::string out(32, '\0');
  out[0] = static_cast<char>(version);
  out[1] = static_cast<char>(year);
  out[2] = static_cast<char>(month);
  out[3] = static_cast<char>(day);
  putLittleEndian(
      out, 4,
      static_cast<std::uint32_t>(recordCount.value_or(static_cast<std::int32_t>(rows.size()))), 4);
  putLittleEndian(out, 8, static_cast<std::uint32_t>(header), 2);
  putLittleEndian(out, 10, static_cast<std::uint32_t>(record), 2);
  out[29] = static_cast<char>(languageDriver);
  int offset = 1;
  for (const TestField& field : fields) {
    std::string descriptor(32, '\0');
    descriptor.replace(0, std::min<std::size_t>(field.name.size(), 11), field.name.substr(0, 11));
    descriptor[11] = field.type;
    putLittleEndian(descriptor, 12, static_cast<std::uint32_t>(offset), 4);
    descriptor[16] = static_cast<char>(field.length);
    descriptor[17] = static_cast<char>(field.decimals);
    out += descriptor;
    offset += field.length;
  }
  out += '\x0D';
  out.resize(header, '\0');

  for (const TestRow& row : rows) {
    std::string bytes(1, row.mark);
    for (std::size_t i = 0; i < fields.size(); ++i) {
      bytes += padded(i < row.values.size() ? row.values[i] : std::string(), fields[i]);
    }
    bytes.resize(record, ' ');
    out += bytes;
  }
  if (endMark) out += '\x1A';
  return out + trailing;
}

std::string TestDbf::writeTo(const std::string& path) const {
  const std::string content = bytes();
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(content.data(), static_cast<std::streamsize>(content.size()));
  return path;
}

bool parseTestDbfText(const std::string& text, TestDbf& dbf, std::string& error) {
  bool haveFields = false;
  for (std::string line : split(text, '\n')) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    if (!haveFields) {
      if (!parseFields(line, dbf.fields, error)) return false;
      haveFields = true;
    } else if (line[0] == '@') {
      if (!parseSetting(line, dbf, error)) return false;
    } else {
      const bool deleted = line[0] == '*';
      std::vector<std::string> values;
      if (!parseValues(deleted ? line.substr(1) : line, values, error)) return false;
      if (values.size() > dbf.fields.size()) {
        error = "more values than fields in: " + line;
        return false;
      }
      TestRow row{};
      row.values = std::move(values);
      row.mark = deleted ? '*' : ' ';
      dbf.rows.push_back(std::move(row));
    }
  }
  if (!haveFields) error = "no field line";
  return haveFields;
}
