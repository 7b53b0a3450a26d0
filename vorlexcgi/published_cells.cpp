// The published axes of a result: categories in the page's order with their ids, labels and
// levels, and the texts that scripts read, in UTF-8.
#include "published_cells.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "fixed_point.h"
#include "text_helpers.h"
#include "text_limits.h"
#include "windows1252.h"

namespace {

// The HTML names of the Latin-1 characters, from U+00A0 on; those of the other Windows-1252
// characters are listed with the markup's own in entityCode.
const char* const kLatinEntities[96] = {
    "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",   "uml",
    "copy",   "ordf",   "laquo",  "not",    "shy",    "reg",    "macr",   "deg",    "plusmn",
    "sup2",   "sup3",   "acute",  "micro",  "para",   "middot", "cedil",  "sup1",   "ordm",
    "raquo",  "frac14", "frac12", "frac34", "iquest", "Agrave", "Aacute", "Acirc",  "Atilde",
    "Auml",   "Aring",  "AElig",  "Ccedil", "Egrave", "Eacute", "Ecirc",  "Euml",   "Igrave",
    "Iacute", "Icirc",  "Iuml",   "ETH",    "Ntilde", "Ograve", "Oacute", "Ocirc",  "Otilde",
    "Ouml",   "times",  "Oslash", "Ugrave", "Uacute", "Ucirc",  "Uuml",   "Yacute", "THORN",
    "szlig",  "agrave", "aacute", "acirc",  "atilde", "auml",   "aring",  "aelig",  "ccedil",
    "egrave", "eacute", "ecirc",  "euml",   "igrave", "iacute", "icirc",  "iuml",   "eth",
    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide", "oslash", "ugrave",
    "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml",
};

// The code point of an entity's name ("amp", "#233", "#xE9"); 0 when it is not one.
std::uint32_t entityCode(std::string_view name) {
  if (name.size() > 1 && name[0] == '#') {
    const bool hex = name[1] == 'x' || name[1] == 'X';
    const std::string digits(name.substr(hex ? 2 : 1));
    if (digits.empty() || digits.size() > 8) return 0;
    char* end = nullptr;
    const unsigned long code = std::strtoul(digits.c_str(), &end, hex ? 16 : 10);
    return *end == '\0' && digits[0] != '-' && digits[0] != '+' ? static_cast<std::uint32_t>(code)
                                                                : 0;
  }
  static const std::unordered_map<std::string_view, std::uint32_t> names = [] {
    std::unordered_map<std::string_view, std::uint32_t> map = {
        {"amp", '&'},      {"lt", '<'},        {"gt", '>'},        {"quot", '"'},
        {"apos", '\''},    {"euro", 0x20AC},   {"sbquo", 0x201A},  {"fnof", 0x192},
        {"bdquo", 0x201E}, {"hellip", 0x2026}, {"dagger", 0x2020}, {"Dagger", 0x2021},
        {"circ", 0x2C6},   {"permil", 0x2030}, {"Scaron", 0x160},  {"lsaquo", 0x2039},
        {"OElig", 0x152},  {"lsquo", 0x2018},  {"rsquo", 0x2019},  {"ldquo", 0x201C},
        {"rdquo", 0x201D}, {"bull", 0x2022},   {"ndash", 0x2013},  {"mdash", 0x2014},
        {"tilde", 0x2DC},  {"trade", 0x2122},  {"scaron", 0x161},  {"rsaquo", 0x203A},
        {"oelig", 0x153},  {"Yuml", 0x178}};
    for (std::uint32_t i = 0; i < 96; ++i) map.emplace(kLatinEntities[i], 0xA0 + i);
    return map;
  }();
  const auto found = names.find(name);
  return found == names.end() ? 0 : found->second;
}

bool isBlank(std::uint32_t code) {
  return code == ' ' || code == '\t' || code == '\r' || code == '\n' || code == 0xA0;
}

// The uniqueness rule of ids: a wanted id already taken gets "_" in front until it is free.
std::string freeId(std::string wanted, std::unordered_set<std::string>& taken) {
  while (!taken.insert(wanted).second) wanted.insert(wanted.begin(), '_');
  return wanted;
}

// The ids of a dimension's categories, ids[1..n]: the code where it is given and no other
// category shares it, otherwise the category number. Chosen over every category, published or
// not, so that a category keeps its id whichever rows a request shows.
struct CategoryIds {
  std::vector<std::string> ids;
  std::vector<std::string_view> sorted;  // into ids, for the totals' id

  bool holds(std::string_view id) const {
    return std::binary_search(sorted.begin(), sorted.end(), id);
  }
  // The totals' id, clear of every category's.
  std::string totalId() const {
    std::string id = kTotalId;
    while (holds(id)) id.insert(id.begin(), '_');
    return id;
  }
};

CategoryIds categoryIds(const std::vector<std::string>& codes, int count) {
  CategoryIds result;
  std::vector<std::string>& ids = result.ids;
  ids.resize(static_cast<std::size_t>(count) + 1);
  for (int k = 1; k <= count && static_cast<std::size_t>(k) < codes.size(); ++k) {
    ids[k] = utf8FromWindows1252(codes[k]);
  }
  std::vector<std::string_view>& sorted = result.sorted;
  sorted.assign(ids.begin() + 1, ids.end());
  std::sort(sorted.begin(), sorted.end());
  const bool distinct =
      sorted.empty() ||
      (!sorted.front().empty() && std::adjacent_find(sorted.begin(), sorted.end()) == sorted.end());
  if (distinct) return result;
  // Codes missing or shared: those categories take their numbers, clear of the codes kept.
  std::unordered_map<std::string_view, int> uses;
  for (const std::string_view id : sorted) ++uses[id];
  std::unordered_set<std::string> taken;
  std::vector<int> numbered;
  for (int k = 1; k <= count; ++k) {
    if (ids[k].empty() || uses[ids[k]] != 1) {
      numbered.push_back(k);
    } else {
      taken.insert(ids[k]);
    }
  }
  for (const int k : numbered) ids[k] = freeId(std::to_string(k), taken);
  sorted.assign(ids.begin() + 1, ids.end());
  std::sort(sorted.begin(), sorted.end());
  return result;
}

CellLevel rowLevel(const ResultModel& model, int row) {
  if (model.summaryRow[row]) return CellLevel::subtotal;
  return model.rollUpTarget[row] < 0 ? CellLevel::excluded : CellLevel::plain;
}

std::string choiceName(const std::string& choice) { return trimSpaces(cut(choice, kMaxName)); }

const char* totalLabel() { return "Total"; }

std::string measureAxisLabel(Language language) {
  static const char* const labels[] = {
      "Conte\xFA"
      "do",
      "Contenido", "Measure"};
  return utf8FromWindows1252(labels[textColumn(language)]);
}

PublishedAxis rowAxis(const ResultModel& model) {
  PublishedAxis axis;
  axis.id = utf8FromWindows1252(choiceName(model.rowChoice));
  axis.label = labelUtf8(model.rowTitle);
  const CategoryIds categories = categoryIds(model.rowCodes, model.rowCount);
  const std::vector<std::string>& ids = categories.ids;
  if (model.totalRowShown) {
    axis.categories.push_back({0, categories.totalId(), totalLabel(), CellLevel::total});
  }
  axis.categories.reserve(static_cast<std::size_t>(model.rowCount) + 1);
  std::vector<int> position(static_cast<std::size_t>(model.rowCount) + 1, -1);
  for (int p = 1; p <= model.rowCount; ++p) {
    const int row = rowAtPosition(model, p);
    if (!rowWritten(model, row)) continue;
    position[row] = static_cast<int>(axis.categories.size());
    axis.categories.push_back(
        {row, ids[row], labelUtf8(model.rowLabels[row]), rowLevel(model, row)});
  }
  // A row rolls up into its target row; a row that rolls into none is part of the total, except
  // a row the totals leave out. A summary row left out of the totals (its rows are counted
  // there) still stands for them in the total.
  for (PublishedCategory& category : axis.categories) {
    if (category.index == 0) continue;
    const int target = model.rollUpTarget[category.index];
    if (target > 0 && target <= model.rowCount) {
      category.parent = position[target];
    } else if (category.level != CellLevel::excluded && model.totalRowShown) {
      category.parent = 0;
    }
  }
  return axis;
}

PublishedAxis columnAxis(const ResultModel& model, const std::string& rowId) {
  PublishedAxis axis;
  if (!model.columnActive) return axis;
  std::unordered_set<std::string> axisIds = {rowId};
  axis.id = freeId(utf8FromWindows1252(choiceName(model.columnChoice)), axisIds);
  axis.label = labelUtf8(choiceName(model.columnChoice));
  const CategoryIds categories = categoryIds(model.columnCodes, model.columnCount);
  const std::vector<std::string>& ids = categories.ids;
  for (int c = 1; c <= model.columnCount; ++c) {
    if (!columnWritten(model, c)) continue;
    axis.categories.push_back({c, ids[c], labelUtf8(model.columnLabels[c]), CellLevel::plain});
  }
  if (totalsColumnWritten(model)) {
    const int total = static_cast<int>(axis.categories.size());
    for (PublishedCategory& category : axis.categories) category.parent = total;
    axis.categories.push_back({0, categories.totalId(), totalLabel(), CellLevel::total});
  }
  return axis;
}

PublishedAxis measureAxis(const ResultModel& model, const std::string& rowId,
                          const std::string& columnId) {
  PublishedAxis axis;
  std::unordered_set<std::string> axisIds = {rowId, columnId};
  axis.id = freeId(kMeasureAxisId, axisIds);
  axis.label = measureAxisLabel(model.language);
  const int measures = static_cast<int>(model.measureNames.size()) - 1;
  std::vector<std::string> keys(static_cast<std::size_t>(measures) + 1);
  for (int m = 1; m <= measures; ++m) keys[m] = trimSpaces(model.measureNames[m]);
  const std::vector<std::string> ids = categoryIds(keys, measures).ids;
  for (int m = 1; m <= measures; ++m) {
    // Without a column dimension measure m is column m.
    const int decimals = model.columnActive ? rowTotalDecimals(model) : model.columnDecimals[m];
    axis.categories.push_back({m, ids[m], labelUtf8(keys[m]), CellLevel::plain, -1, decimals});
  }
  return axis;
}

}  // namespace

const char* levelName(CellLevel level) {
  switch (level) {
    case CellLevel::subtotal:
      return "subtotal";
    case CellLevel::excluded:
      return "excluded";
    case CellLevel::total:
      return "total";
    case CellLevel::plain:
      break;
  }
  return "plain";
}

PublishedTable publishedTable(const ResultModel& model) {
  PublishedTable table;
  table.rows = rowAxis(model);
  table.columnActive = model.columnActive;
  table.columns = columnAxis(model, table.rows.id);
  table.measures = measureAxis(model, table.rows.id, table.columns.id);
  return table;
}

double publishedValue(const ResultModel& model, const PublishedCategory& row,
                      const PublishedCategory* column, const PublishedCategory& measure) {
  return model.value(row.index, column != nullptr ? column->index : measure.index);
}

int publishedDecimals(const ResultModel& model, const PublishedCategory* column,
                      const PublishedCategory& measure) {
  if (column == nullptr) return measure.decimals;
  return column->index == 0 ? rowTotalDecimals(model) : model.columnDecimals[column->index];
}

CellLevel cellLevel(const PublishedCategory& row, const PublishedCategory* column) {
  if (column != nullptr && column->level == CellLevel::total) return CellLevel::total;
  return row.level;
}

std::string publishedMark(const ResultModel& model, const PublishedCategory& row,
                          const PublishedCategory* column, const PublishedCategory& measure) {
  // The mark as every output writes it, without the value it stands for or follows.
  return markedText(model, row.index, column != nullptr ? column->index : measure.index, "");
}

std::string publishedText(const ResultModel& model, const PublishedCategory& row,
                          const PublishedCategory* column, const PublishedCategory& measure) {
  const int modelColumn = column != nullptr ? column->index : measure.index;
  const CellMark mark = model.mark(row.index, modelColumn);
  if (mark == CellMark::suppressed || mark == CellMark::notComputable) return "";
  return publishedNumber(publishedValue(model, row, column, measure),
                         publishedDecimals(model, column, measure));
}

std::string publishedNumber(double value, int decimals) {
  if (!std::isfinite(value)) return "";
  return plainNumberText(value, decimals, '.');
}

std::string plainUtf8(std::string_view html) {
  std::string text;
  bool pendingSpace = false;
  auto append = [&](std::uint32_t code) {
    if (isBlank(code)) {
      pendingSpace = !text.empty();
      return;
    }
    if (pendingSpace) text += ' ';
    pendingSpace = false;
    appendUtf8(text, code);
  };
  for (std::size_t i = 0; i < html.size(); ++i) {
    const char c = html[i];
    if (c == '<') {
      const std::size_t close = html.find('>', i);
      if (close == std::string_view::npos) break;
      // A tag separates words as the browser shows them.
      append(' ');
      i = close;
      continue;
    }
    if (c == '&') {
      const std::size_t semicolon = html.find(';', i);
      const std::uint32_t code = semicolon == std::string_view::npos || semicolon - i > 10
                                     ? 0
                                     : entityCode(html.substr(i + 1, semicolon - i - 1));
      if (code != 0) {
        append(code);
        i = semicolon;
        continue;
      }
    }
    const std::string utf8 = utf8FromWindows1252(std::string_view(&html[i], 1));
    if (utf8.size() == 1) {
      append(static_cast<unsigned char>(utf8[0]));
    } else {
      if (pendingSpace) text += ' ';
      pendingSpace = false;
      text += utf8;
    }
  }
  return text;
}

std::string labelUtf8(std::string_view label) {
  std::string text = utf8FromWindows1252(label.substr(0, kMaxText));
  for (char& c : text) {
    if (c == '_') c = ' ';
  }
  return text;
}
