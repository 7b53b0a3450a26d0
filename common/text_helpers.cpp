// Text routines shared by vorlexcgi and formwright, and the pending message of the dimension
// loader and the engine. Bytes stay bytes: only ASCII letters change case, and only the listed
// Windows-1252 letters become HTML entities.
#include "text_helpers.h"

#include <charconv>
#include <cstdlib>

#include "output.h"
#include "text_limits.h"

namespace {

// The entity of each Windows-1252 character that htmlAccents replaces; null for the others.
struct AccentTable {
  const char* entity[256] = {};
  constexpr AccentTable() {
    entity[95] = " ";
    entity[192] = "&Agrave;";
    entity[193] = "&Aacute;";
    entity[194] = "&Acirc;";
    entity[195] = "&Atilde;";
    entity[199] = "&Ccedil;";
    entity[200] = "&Egrave;";
    entity[201] = "&Eacute;";
    entity[202] = "&Ecirc;";
    entity[205] = "&Iacute;";
    entity[210] = "&Ograve;";
    entity[211] = "&Oacute;";
    entity[212] = "&Ocirc;";
    entity[213] = "&Otilde;";
    entity[218] = "&Uacute;";
    entity[220] = "&Uuml;";
    entity[224] = "&agrave;";
    entity[225] = "&aacute;";
    entity[226] = "&acirc;";
    entity[227] = "&atilde;";
    entity[231] = "&ccedil;";
    entity[232] = "&egrave;";
    entity[233] = "&eacute;";
    entity[234] = "&ecirc;";
    entity[237] = "&iacute;";
    entity[242] = "&ograve;";
    entity[243] = "&oacute;";
    entity[244] = "&ocirc;";
    entity[245] = "&otilde;";
    entity[250] = "&uacute;";
    entity[252] = "&uuml;";
  }
};
constexpr AccentTable kAccents;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::size_t skipLeadingBlanks(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  return i;
}

}  // namespace

std::string getEnv(const char* name) {
  const char* value = std::getenv(name);
  // The value was always read into a 256-byte buffer; a longer one is cut to what fits.
  return value == nullptr ? std::string() : cut(value, kMaxText);
}

std::string htmlAccents(std::string_view text) {
  std::string result;
  result.reserve(text.size() + 16);
  for (char c : text) {
    const char* entity = kAccents.entity[static_cast<unsigned char>(c)];
    if (entity != nullptr) {
      result += entity;
    } else {
      result += c;
    }
    if (result.size() >= kMaxText) break;
  }
  if (result.size() > kMaxText) result.resize(kMaxText);
  return result;
}

std::string removeSpaces(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (char c : text) {
    if (c != ' ') result += c;
  }
  return result;
}

std::string digitsOnly(std::string_view text) {
  std::string result;
  for (char c : text) {
    if (isDigit(c)) result += c;
  }
  return result;
}

std::string normalizeDimensionLine(std::string_view line) {
  // The type letter in column 1 is dropped. Without a comma the name is empty and the whole
  // line, type letter included, becomes the items: stored definitions were read that way.
  const std::size_t comma = line.find(',');
  std::string name;
  std::string_view rest;
  if (comma == std::string_view::npos) {
    rest = line;
  } else {
    name = trimSpaces(line.substr(comma == 0 ? 0 : 1, comma == 0 ? 0 : comma - 1));
    rest = line.substr(comma + 1);
  }
  if (name.size() <= kMaxName - 1) name.resize(kMaxName, ' ');
  return cut(name + removeSpaces(rest), kMaxText);
}

std::string lineItem(std::string_view normalizedLine, int n) {
  if (normalizedLine.size() <= kMaxName) return "";
  std::string_view rest = normalizedLine.substr(kMaxName);
  for (int i = 1;; ++i) {
    const std::size_t comma = rest.find(',');
    if (i == n) return std::string(rest.substr(0, comma));
    if (comma == std::string_view::npos) return "";
    rest.remove_prefix(comma + 1);
  }
}

std::string splitAtComma(std::string& text, std::size_t limit) {
  return splitAtChar(text, limit, ',');
}

std::string splitAtChar(std::string& text, std::size_t limit, char separator) {
  const std::size_t at = text.find(separator);
  if (at == std::string::npos) {
    std::string head = std::move(text);
    text.clear();
    return head;
  }
  std::string head = text.substr(0, at);
  text = cut(std::string_view(text).substr(at + 1), limit);
  return head;
}

std::vector<std::string_view> splitLines(std::string_view bytes) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\n', start);
    const std::size_t next = end == std::string_view::npos ? bytes.size() : end + 1;
    if (end == std::string_view::npos) end = bytes.size();
    if (end > start && bytes[end - 1] == '\r') --end;
    lines.push_back(bytes.substr(start, end - start));
    start = next;
  }
  return lines;
}

std::vector<std::string> cutLines(std::string_view bytes) {
  std::vector<std::string> lines;
  for (const std::string_view line : splitLines(bytes)) lines.push_back(cut(line, kMaxText));
  return lines;
}

std::string upperAscii(std::string_view text) {
  std::string result(text);
  for (char& c : result) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  return result;
}

std::string lowerAscii(std::string_view text) {
  std::string result(text);
  for (char& c : result) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return result;
}

std::string trimSpaces(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return std::string();
  const std::size_t last = text.find_last_not_of(' ');
  return std::string(text.substr(first, last - first + 1));
}

std::string trimBlanks(std::string_view text) {
  std::size_t first = 0;
  std::size_t end = text.size();
  while (first < end && static_cast<unsigned char>(text[first]) <= 32) ++first;
  while (end > first && static_cast<unsigned char>(text[end - 1]) <= 32) --end;
  return std::string(text.substr(first, end - first));
}

bool tryInteger(std::string_view text, std::int32_t& value) {
  value = 0;
  std::size_t i = skipLeadingBlanks(text);
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  if (i == text.size()) return false;
  std::int64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    if (!isDigit(text[i])) return false;
    magnitude = magnitude * 10 + (text[i] - '0');
    if (magnitude > 2147483648LL) return false;
  }
  if (!negative && magnitude > 2147483647LL) return false;
  value = static_cast<std::int32_t>(negative ? -magnitude : magnitude);
  return true;
}

Status requireInteger(std::string_view text, std::int32_t& value) {
  if (tryInteger(text, value)) return std::nullopt;
  return runtimeError("'" + std::string(text) + "' n\xE3o \xE9 um inteiro v\xE1lido");
}

bool parseDecimalByLibrary(std::string_view magnitude, bool negative, double& value) {
  double parsed = 0;
  const char* last = magnitude.data() + magnitude.size();
  const auto [end, error] = std::from_chars(magnitude.data(), last, parsed);
  if (error != std::errc() || end != last) return false;
  value = negative ? -parsed : parsed;
  return true;
}

bool tryReal(std::string_view text, double& value) {
  value = 0;
  return parseDecimal(text.substr(skipLeadingBlanks(text)), value);
}

Status requireReal(std::string_view text, double& value) {
  if (tryReal(text, value)) return std::nullopt;
  return runtimeError("'" + std::string(text) + "' n\xE3o \xE9 um n\xFAmero v\xE1lido");
}
