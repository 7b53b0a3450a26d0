// Conversion files and templates of the demo site.
#include "site_files.h"

#include <cstdio>
#include <fstream>
#include <iterator>

std::string utf8ToWindows1252(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if ((c == 0xC2 || c == 0xC3) && i + 1 < text.size()) {
      const unsigned char next = static_cast<unsigned char>(text[++i]);
      out += static_cast<char>(((c & 0x03) << 6) | (next & 0x3F));
    } else {
      while (i + 1 < text.size() && (static_cast<unsigned char>(text[i + 1]) & 0xC0) == 0x80) ++i;
      out += '?';
    }
  }
  return out;
}

std::string windows1252ToUtf8(const std::string& text) {
  std::string out;
  for (const char ch : text) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c < 0x80) {
      out += ch;
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

bool writeWholeFile(const std::string& path, const std::string& bytes) {
  const std::string temporary = path + ".tmp";
  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  if (!file) {
    std::fprintf(stderr, "cannot create %s\n", temporary.c_str());
    return false;
  }
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  if (std::fclose(file) != 0 || !written || std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

bool readWholeFile(const std::string& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

std::string conversionFileText(const CategoryTable& table, int language) {
  std::string text = "; " + table.comment + "\r\n";
  text += std::to_string(table.categories.size()) + " " + std::to_string(table.codeWidth);
  if (table.kind != ' ') text += std::string(" ") + table.kind;
  text += "\r\n";
  for (std::size_t i = 0; i < table.categories.size(); ++i) {
    const Category& c = table.categories[i];
    char columns[48];
    // A negative roll-up keeps its sign in column 1 ("-01"); spaces would read as zeros.
    if (c.rollUp < 0)
      std::snprintf(columns, sizeof columns, "-%02d%4zu  ", -c.rollUp, i + 1);
    else
      std::snprintf(columns, sizeof columns, "%3d%4zu  ", c.rollUp, i + 1);
    std::string line = columns;
    std::string label = c.label[language].substr(0, 50);
    label.resize(50, ' ');
    line += label + " " + c.codes;
    while (!line.empty() && line.back() == ' ') line.pop_back();
    text += line + "\r\n";
  }
  return text;
}

std::string siteTextFromTemplate(const std::string& utf8) {
  const std::string bytes = utf8ToWindows1252(utf8);
  std::string out;
  for (const char c : bytes) {
    if (c == '\r') continue;
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}
