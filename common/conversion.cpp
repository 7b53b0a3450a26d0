// The dimension loader and the per-record classifier. A dimension line names a field and a
// conversion file; a ".cnv" text file (read here) or a DBF table (dbf_conversion.cpp) lists
// the categories and which codes fall into each. categoryOf runs once per record and dimension.
#include "conversion.h"

#include <algorithm>
#include <cstdio>

#include "dbf_conversion.h"
#include "file_search.h"
#include "output.h"
#include "text_helpers.h"
#include "text_limits.h"

namespace {

constexpr char kEndOfFile = 26;           // Ctrl-Z: nothing after it is read
constexpr std::size_t kCodesColumn = 60;  // codes or bound start at column 61
constexpr std::size_t kLabelColumn = 9;   // label: columns 10-59
constexpr std::size_t kLabelLength = 50;
constexpr std::size_t kMinLabelWidth = 18;
constexpr int kDictionarySlack = 200;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The loader's own refusal of a conversion file: it ends a request with status 0.
Failure refusal(const std::string& message) { return Failure{cut(message, kMaxText), true, 0}; }

std::string trimTrailingSpaces(std::string_view text) {
  const std::size_t last = text.find_last_not_of(' ');
  return last == std::string_view::npos ? std::string() : std::string(text.substr(0, last + 1));
}

inline std::string_view columns(std::string_view line, std::size_t from, std::size_t length) {
  if (from >= line.size()) return std::string_view();
  return std::string_view(line.data() + from, std::min(length, line.size() - from));
}

// The lines of a conversion file: up to Ctrl-Z, each cut to 255 characters. CR LF, LF and a lone
// CR all end a line.
Status readConversionLines(const std::string& path, std::vector<std::string>& lines, bool& opened) {
  std::string bytes;
  if (Status failure = readWholeFile(path, bytes, opened)) return failure;
  if (!opened) return std::nullopt;
  const std::size_t end = bytes.find(kEndOfFile);
  if (end != std::string::npos) bytes.resize(end);
  lines.reserve(lines.size() +
                static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n')) + 1);
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t stop = start;
    while (stop < bytes.size() && bytes[stop] != '\r' && bytes[stop] != '\n') ++stop;
    lines.push_back(cut(std::string_view(bytes).substr(start, stop - start), kMaxText));
    if (stop < bytes.size() && bytes[stop] == '\r' && stop + 1 < bytes.size() &&
        bytes[stop + 1] == '\n') {
      ++stop;
    }
    start = stop + 1;
  }
  return std::nullopt;
}

// A data line as the loader reads it: comment cut, trailing spaces removed, and the spaces of
// columns 1-7 read as zeros. Empty when the line is to be skipped.
std::string dataLine(std::string_view line) {
  std::string text = trimTrailingSpaces(line.substr(0, line.find(';')));
  for (std::size_t i = 0; i < text.size() && i < 7; ++i) {
    if (text[i] == ' ') text[i] = '0';
  }
  return text;
}

// Columns 4-7: the leading digits alone count; no digit gives 0.
int categoryNumber(std::string_view line) {
  int number = 0;
  for (char c : columns(line, 3, 4)) {
    if (!isDigit(c)) break;
    number = number * 10 + (c - '0');
  }
  return number;
}

std::int16_t rollUpOf(std::string_view line) {
  std::int32_t target = 0;
  return tryInteger(columns(line, 0, 3), target) ? static_cast<std::int16_t>(target) : -1;
}

// The codes column up to its first space (what the loader reads as codes), or a kind F bound.
// A category given on several lines lists the codes of each, joined by ",".
void takeCodes(Dimension& dimension, int category, std::string_view line) {
  std::string_view codes = columns(line, kCodesColumn, std::string::npos);
  if (dimension.mappingKind == MappingKind::thresholds) {
    codes = columns(line, kCodesColumn, dimension.codeWidth);
    codes.remove_prefix(std::min(codes.size(), codes.find_first_not_of(' ')));
  }
  codes = codes.substr(0, codes.find(' '));
  if (codes.empty()) return;
  std::string& listed = dimension.categoryCodes[category];
  if (!listed.empty()) listed += ',';
  listed += codes;
}

void takeLabel(Dimension& dimension, int category, std::string_view line) {
  std::string label = trimTrailingSpaces(columns(line, kLabelColumn, kLabelLength));
  if (!label.empty()) dimension.categoryNames[category] = std::move(label);
}

struct Header {
  std::int32_t count = 0;
  std::int32_t width = 0;
  char kindLetter = 0;  // 0, 'F' or 'L'
};

// The header (count, width, kind letter) and its checks.
Status readHeader(const std::string& file, const std::string& text, int limit, Header& header) {
  const std::size_t space = text.find(' ');
  if (space == std::string::npos) return refusal(file + ": Falta largura do codigo");
  if (Status failure = requireInteger(cut(text.substr(0, space), 4), header.count)) {
    return failure;
  }
  if (header.count <= 0) return refusal(file + ": Numero de categorias nao valido");
  const std::string rest = trimSpaces(std::string_view(text).substr(space + 1));
  const std::size_t nextSpace = rest.find(' ');
  if (Status failure = requireInteger(cut(rest.substr(0, nextSpace), 4), header.width)) {
    return failure;
  }
  if (header.width == 0) return refusal(file + ": Comprimento do codigo nao valido");
  if (nextSpace != std::string::npos) {
    std::string token = cut(trimSpaces(std::string_view(rest).substr(nextSpace + 1)), 4);
    if (!token.empty()) {
      token = upperAscii(token.substr(0, 1)) + token.substr(1);
      if (token[0] != 'F' && token[0] != 'L') {
        return refusal(file + ": terceiro parametro <> \"L\"  ou \"F\" = " + token);
      }
      header.kindLetter = token[0];
    }
  }
  // Both checks report, one line each, before the load stops.
  std::vector<std::string> refused;
  if (limit - 1 < header.count) {
    refused.push_back(cut(file + ": Linhas = " + std::to_string(header.count) +
                              " > Max = " + std::to_string(limit - 1),
                          kMaxText));
  }
  if (header.width < 0) {
    refused.push_back(cut(
        file + ": Compr Var = " + std::to_string(header.width) + " (deve ser positivo)", kMaxText));
  }
  if (refused.empty()) return std::nullopt;
  return Failure{refused.size() == 1 ? refused[0] : lineOf(refused[0]) + refused[1], true, 0};
}

Status checkCategory(const std::string& file, int category, int count) {
  if (category < 1 || category > count) {
    return refusal(file + " : Indice nao valido na linha " + std::to_string(category));
  }
  return std::nullopt;
}

Status checkCodeLength(const std::string& file, std::string_view line, int category, int width) {
  if (line.size() < kCodesColumn + static_cast<std::size_t>(width)) {
    return refusal(file + " : Codigo nao valido na linha " + std::to_string(category));
  }
  return std::nullopt;
}

// Code table: codes and ranges set the entries of the direct code table. Codes whose number lies
// beyond the table are not stored.
void storeTableCodes(Dimension& dimension, std::string_view list, int category) {
  std::vector<std::uint16_t>& table = dimension.codeTable;
  const std::size_t width = dimension.codeWidth;
  const std::uint16_t value = static_cast<std::uint16_t>(category);
  // A line without codes names none (read literally, it would claim code number 0, the code
  // of a blank field).
  if (list.empty()) return;
  std::size_t p = 0;
  while (true) {
    const std::uint16_t low = codeNumber(columns(list, p, width));
    p += width;
    if (p >= list.size() || list[p] == ',' || list[p] == ' ') {
      if (low < table.size()) table[low] = value;
    }
    if (p + 1 < list.size() && list[p] == '-') {
      ++p;
      const std::uint16_t high = codeNumber(columns(list, p, width));
      p += width;
      for (std::size_t c = low; c <= high && c < table.size(); ++c) table[c] = value;
    }
    if (p < list.size() && list[p] == ',') ++p;
    if (p >= list.size() || list[p] == ' ') break;
  }
}

// Dictionary: codes and ranges go into the dictionary as texts. False when it is full.
bool storeDictionaryCodes(Dimension& dimension, std::string_view line, int category) {
  const std::size_t width = dimension.codeWidth;
  const std::uint16_t value = static_cast<std::uint16_t>(category);
  std::size_t q = kCodesColumn;
  while (true) {
    const std::size_t dash = q + width;
    if (dash + 1 < line.size() && line[dash] == '-') {
      if (!insertRange(dimension.dictionary, columns(line, q, width),
                       columns(line, dash + 1, width), value)) {
        return false;
      }
      q = dash + 1 + width;
    } else {
      if (insertCode(dimension.dictionary, columns(line, q, width), value) == InsertResult::full) {
        return false;
      }
      q += width;
    }
    // A trailing comma names no further code.
    if (q + 1 >= line.size() || line[q] != ',') return true;
    ++q;
  }
}

// A ".cnv" file: the header, then the data lines by mapping kind.
Status loadConversionFile(const std::string& file, const std::string& path, int limit,
                          Dimension& dimension) {
  std::vector<std::string> lines;
  bool opened = false;
  if (Status failure = readConversionLines(path, lines, opened)) return failure;
  if (!opened) return refusal(file + ": Tabela de conversao nao encontrada");
  std::size_t headerLine = 0;
  std::string headerText;
  for (; headerLine < lines.size(); ++headerLine) {
    // Spaces are removed before the comment is cut, so spaces in front of a ";" stay.
    headerText = trimSpaces(lines[headerLine]);
    headerText = headerText.substr(0, headerText.find(';'));
    if (!headerText.empty()) break;
  }
  if (headerLine == lines.size()) return refusal(file + ": Falta cabecalho");
  Header header;
  if (Status failure = readHeader(file, headerText, limit, header)) return failure;

  const int count = header.count;
  dimension.categoryCount = count;
  dimension.codeWidth = static_cast<std::uint16_t>(header.width);
  dimension.mappingKind = header.kindLetter == 'F'                         ? MappingKind::thresholds
                          : (header.kindLetter == 'L' || header.width > 4) ? MappingKind::dictionary
                                                                           : MappingKind::codeTable;
  dimension.categoryNames.assign(count + 2, std::string());
  dimension.categoryCodes.assign(count + 1, std::string());
  dimension.rollUpTarget.assign(count + 1, 0);
  const std::size_t width = dimension.codeWidth;

  if (dimension.mappingKind == MappingKind::codeTable) {
    std::size_t size = 27;
    for (std::size_t i = 1; i < width; ++i) size *= 10;
    dimension.codeTable.assign(size, static_cast<std::uint16_t>(count + 1));
  } else if (dimension.mappingKind == MappingKind::dictionary) {
    long sum = 0;
    for (std::size_t i = headerLine + 1; i < lines.size(); ++i) {
      if (lines[i].size() > kCodesColumn) sum += (lines[i].size() - kCodesColumn) / width;
    }
    if (sum + kDictionarySlack > 65535) {
      return refusal(file + ": Tabela de conversao grande demais");
    }
    createDictionary(dimension.dictionary, static_cast<std::uint16_t>(sum + kDictionarySlack));
  } else {
    dimension.thresholds.assign(count + 1, 0.0);
    dimension.hasBound.assign(count + 1, false);
  }

  for (std::size_t i = headerLine + 1; i < lines.size(); ++i) {
    const std::string line = dataLine(lines[i]);
    if (line.empty()) continue;
    const int category = categoryNumber(line);
    if (Status failure = checkCategory(file, category, count)) return failure;
    if (dimension.mappingKind != MappingKind::codeTable) {
      if (Status failure = checkCodeLength(file, line, category, header.width)) return failure;
    }
    dimension.rollUpTarget[category] = rollUpOf(line);
    if (dimension.mappingKind == MappingKind::codeTable) {
      storeTableCodes(dimension, columns(line, kCodesColumn, std::string::npos), category);
    } else if (dimension.mappingKind == MappingKind::dictionary) {
      if (!storeDictionaryCodes(dimension, line, category)) {
        return refusal(file + ": Tabela de conversao grande demais");
      }
    } else {
      double bound = 0;
      if (!tryReal(trimSpaces(columns(line, kCodesColumn, width)), bound)) {
        return refusal(file + " : Valor num\xE9rico nao valido na linha " +
                       std::to_string(category));
      }
      dimension.thresholds[category] = bound;
      dimension.hasBound[category] = true;
    }
    takeCodes(dimension, category, line);
    takeLabel(dimension, category, line);
  }
  return std::nullopt;
}

bool hasExtension(const std::string& file, const char* extension) {
  const std::string name = namePart(file);
  const std::size_t dot = name.rfind('.');
  return dot != std::string::npos && upperAscii(name.substr(dot)) == extension;
}

}  // namespace

Status loadDimension(const std::string& line, int limit, Dimension& dimension) {
  dimension = Dimension{};
  const std::string title = trimSpaces(columns(line, 0, kMaxName));
  std::string rest(columns(line, kMaxName, std::string::npos));
  DimensionItems items;
  items.fieldName = splitAtComma(rest, kMaxText);
  items.codeStartOrLabel = splitAtComma(rest, kMaxText);
  items.conversionFile = splitAtComma(rest, kMaxText);
  items.secondKey = cut(lowerAscii(splitAtComma(rest, kMaxText)), kMaxFieldName);
  items.translationFile = cut(splitAtComma(rest, kMaxText), kMaxFileName);
  std::int32_t codeStart = 1;
  if (!tryInteger(items.codeStartOrLabel, codeStart)) codeStart = 1;
  if (items.conversionFile.empty()) items.conversionFile = items.codeStartOrLabel;
  const std::string file = cut(items.conversionFile, kMaxFileName);
  items.conversionFile = file;

  const std::string path = findFile(file);
  if (path.empty()) return refusal(file + ": Tabela de conversao nao encontrada");
  if (hasExtension(file, ".CNV")) {
    if (Status failure = loadConversionFile(file, path, limit, dimension)) return failure;
  } else if (hasExtension(file, ".DBF")) {
    if (Status failure = loadDbfConversion(items, path, limit, dimension)) return failure;
    codeStart = 1;
  } else {
    return refusal(file + ": Tipo de tabela de conversao nao suportado");
  }

  std::size_t longest = kMinLabelWidth;
  for (int i = 1; i <= dimension.categoryCount; ++i) {
    longest = std::max(longest, dimension.categoryNames[i].size());
  }
  dimension.labelWidth = static_cast<std::uint16_t>(longest);
  dimension.title = title;
  dimension.fieldName = dimensionFieldName(line);
  // A position below 1 reads from the start of the field.
  dimension.codeStart = static_cast<std::uint16_t>(std::clamp(codeStart, 1, 65535));
  dimension.conversionFile = file;
  if (dimension.mappingKind == MappingKind::dictionary)
    packCodes(dimension.dictionary, dimension.packedCodes);
  return std::nullopt;
}

std::string dimensionFieldName(std::string_view line) {
  return upperAscii(cut(lineItem(line, 1), kMaxFieldName));
}

namespace {

// Dictionaries and thresholds kept out of categoryOf, so that the table lookup stays a few
// instructions.
int categoryByDictionary(const Dimension& dimension, std::string_view code) {
  if (dimension.lastCategory != 0 && code == std::string_view(dimension.lastCode)) {
    return dimension.lastCategory;
  }
  const PackedCodes& packed = dimension.packedCodes;
  const int found = packed.usable && code.size() <= 8 ? lookupPacked(packed, code)
                                                      : lookupCode(dimension.dictionary, code);
  const int category = found == 0 ? dimension.categoryCount + 1 : found;
  dimension.lastCode.assign(code);
  dimension.lastCategory = category;
  return category;
}

int categoryByThreshold(const Dimension& dimension, std::string_view code) {
  if (dimension.lastCategory != 0 && code == std::string_view(dimension.lastCode)) {
    return dimension.lastCategory;
  }
  double value = 0;
  const std::size_t first = code.find_first_not_of(' ');
  const std::string_view number = first == std::string_view::npos
                                      ? std::string_view()
                                      : code.substr(first, code.find_last_not_of(' ') - first + 1);
  if (!tryReal(number, value)) return kUnreadableValue;
  int category = dimension.categoryCount + 1;
  for (int i = 1; i <= dimension.categoryCount; ++i) {
    if (dimension.hasBound[i] && dimension.thresholds[i] >= value) {
      category = i;
      break;
    }
  }
  dimension.lastCode.assign(code);
  dimension.lastCategory = category;
  return category;
}

}  // namespace

int categoryOf(const Dimension& dimension, std::string_view fieldText) {
  const std::size_t start = dimension.codeStart > 0 ? dimension.codeStart - 1u : 0u;
  const std::string_view code = columns(fieldText, start, dimension.codeWidth);
  switch (dimension.mappingKind) {
    case MappingKind::codeTable: {
      // Most codes are plain digits of the full width: their number needs no other rule.
      if (code.size() == dimension.codeWidth) {
        std::uint32_t number = 0;
        bool digits = true;
        for (const char c : code) {
          const std::uint32_t digit = static_cast<unsigned char>(c) - std::uint32_t{'0'};
          digits &= digit < 10;
          number = number * 10 + digit;
        }
        if (digits && number < dimension.codeTable.size()) return dimension.codeTable[number];
      }
      const std::uint16_t number = codeNumber(code);
      return number < dimension.codeTable.size() ? dimension.codeTable[number]
                                                 : dimension.categoryCount + 1;
    }
    case MappingKind::dictionary:
      return categoryByDictionary(dimension, code);
    case MappingKind::thresholds:
      return categoryByThreshold(dimension, code);
    default:
      return 0;
  }
}

std::uint16_t codeNumber(std::string_view code) {
  const std::size_t n = code.size();
  if (n == 0) return 0;
  const bool spacesAreZeros = code[0] == ' ';
  const auto at = [&](std::size_t i) {
    const char c = code[i];
    return (spacesAreZeros && c == ' ') ? '0' : c;
  };
  // Everything is taken modulo 65536, as the 16-bit arithmetic of the stored numbers did.
  std::uint32_t prefix = 0;
  std::size_t i = 0;
  const unsigned char first = static_cast<unsigned char>(at(0));
  if (first >= 65 && first <= 122) {
    const std::uint32_t upper = (first >= 'a' && first <= 'z') ? first - 32u : first;
    std::uint32_t power = 1;
    for (std::size_t k = 1; k < n; ++k) power = (power * 10) & 0xFFFF;
    prefix = ((upper - 64) * power) & 0xFFFF;
    i = 1;
  }
  // The rest as an integer: leading blanks, a sign, digits, within 32 bits.
  std::size_t j = i;
  while (j < n && (at(j) == ' ' || at(j) == '\t')) ++j;
  bool negative = false;
  if (j < n && (at(j) == '+' || at(j) == '-')) negative = at(j++) == '-';
  bool valid = j < n;
  std::uint64_t magnitude = 0;
  for (; valid && j < n; ++j) {
    const char c = at(j);
    if (!isDigit(c)) {
      valid = false;
      break;
    }
    magnitude = magnitude * 10 + static_cast<std::uint64_t>(c - '0');
    if (magnitude > (negative ? 2147483648ULL : 2147483647ULL)) valid = false;
  }
  std::uint32_t value = 0;
  if (valid) {
    value = static_cast<std::uint32_t>(magnitude);
    if (negative) value = 0u - value;
  } else {
    // Not an integer: every character that is not a digit reads as "0".
    for (std::size_t k = i; k < n; ++k) {
      const char c = at(k);
      value = (value * 10 + (isDigit(c) ? static_cast<std::uint32_t>(c - '0') : 0u)) & 0xFFFF;
    }
  }
  return static_cast<std::uint16_t>((value + prefix) & 0xFFFF);
}
