#include "index_layout.h"

#include <algorithm>
#include <cstdio>

namespace {

// The text of `width` columns from column `first`, counting columns from 1 as the layout does.
std::string_view columnsFrom(std::string_view line, std::size_t first, std::size_t width) {
  if (first - 1 >= line.size()) return {};
  return line.substr(first - 1, width);
}

// The number in the columns: blanks around it, an optional sign, digits, within 32 bits.
Status recordNumber(std::string_view text, std::int32_t& number) {
  const std::size_t begin = text.find_first_not_of(' ');
  const std::string_view trimmed = begin == std::string_view::npos
                                       ? std::string_view()
                                       : text.substr(begin, text.find_last_not_of(' ') - begin + 1);
  std::string_view rest =
      trimmed.substr(std::min(trimmed.find_first_not_of(" \t"), trimmed.size()));
  bool negative = false;
  if (!rest.empty() && (rest[0] == '+' || rest[0] == '-')) {
    negative = rest[0] == '-';
    rest.remove_prefix(1);
  }
  std::int64_t magnitude = 0;
  bool readable = !rest.empty();
  for (const char c : rest) {
    if (c < '0' || c > '9' || magnitude > 214748364LL) {
      readable = false;
      break;
    }
    magnitude = magnitude * 10 + (c - '0');
  }
  if (readable && magnitude <= (negative ? 2147483648LL : 2147483647LL)) {
    number = static_cast<std::int32_t>(negative ? -magnitude : magnitude);
    return std::nullopt;
  }
  return runtimeError("'" + std::string(trimmed) + "' n\xE3o \xE9 um inteiro v\xE1lido");
}

}  // namespace

std::string indexLine(std::string_view code, std::int32_t first, std::int32_t last) {
  std::string line(code.substr(0, kIndexCodeWidth));
  line.resize(kIndexCodeWidth, ' ');
  char numbers[2 * 24];
  std::snprintf(numbers, sizeof numbers, "%*ld%*ld", static_cast<int>(kIndexNumberWidth),
                static_cast<long>(first), static_cast<int>(kIndexNumberWidth),
                static_cast<long>(last));
  return line + numbers;
}

Status readIndexLine(std::string_view line, IndexEntry& entry) {
  entry.code = columnsFrom(line, 1, kIndexCodeWidth);
  if (Status failure =
          recordNumber(columnsFrom(line, 1 + kIndexCodeWidth, kIndexNumberWidth), entry.first)) {
    return failure;
  }
  return recordNumber(columnsFrom(line, 1 + kIndexCodeWidth + kIndexNumberWidth, kIndexNumberWidth),
                      entry.last);
}
