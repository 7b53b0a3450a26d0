// The result as a JSON-stat 2.0 dataset: the row dimension, the column dimension when there is
// one and the measures as the metric dimension; the values in row-major order of those. Totals
// and roll-up rows are categories of their own, tied to what they sum by "child" and named by
// the dimension's "extension.level" (which leaves out the plain ones). The confidentiality marks
// are the values' "status"; a suppressed value is null.
#include "jsonstat_output.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <nlohmann/json.hpp>
#include <utility>
#include <vector>

#include "messages.h"
#include "output.h"
#include "published_cells.h"
#include "text_output.h"

namespace {

// The dataset's few keys keep the order JSON-stat lists them in; the categories' objects, with
// a key per row (5,600 municipalities), are kept sorted, since an ordered object finds a key by
// reading all of them.
using Json = nlohmann::ordered_json;
using CategoryJson = nlohmann::json;

// A published value as JSON text: as rounded where it has no decimals (12, not 12.0), else the
// double nearest the rounded text as JSON writes it; null where a mark stands for the value, or
// for a value that is no number.
std::string jsonNumber(const std::string& text) {
  if (text.empty()) return "null";
  if (text.find('.') == std::string::npos) return text;
  return CategoryJson(std::strtod(text.c_str(), nullptr)).dump();
}

// Objects keyed by the categories' ids, filled in the ids' sorted order, so that each key goes in
// at the end of the map without a search.
CategoryJson::object_t& objectOf(CategoryJson& json) {
  json = CategoryJson::object();
  return json.get_ref<CategoryJson::object_t&>();
}

CategoryJson dimension(const PublishedAxis& axis, bool metric) {
  const std::vector<PublishedCategory>& categories = axis.categories;
  std::vector<std::size_t> sorted(categories.size());
  for (std::size_t i = 0; i < sorted.size(); ++i) sorted[i] = i;
  std::sort(sorted.begin(), sorted.end(),
            [&](std::size_t a, std::size_t b) { return categories[a].id < categories[b].id; });
  CategoryJson index = CategoryJson::array();
  for (const PublishedCategory& category : categories) index.push_back(category.id);
  CategoryJson labels, levels, children;
  CategoryJson::object_t& labelMap = objectOf(labels);
  CategoryJson::object_t& levelMap = objectOf(levels);
  objectOf(children);
  for (const std::size_t i : sorted) {
    const PublishedCategory& category = categories[i];
    labelMap.emplace_hint(labelMap.end(), category.id, category.label);
    // Plain categories, most of them, are the default and not listed.
    if (category.level != CellLevel::plain) {
      levelMap.emplace_hint(levelMap.end(), category.id, levelName(category.level));
    }
  }
  for (const PublishedCategory& category : categories) {
    if (category.parent < 0) continue;
    children[categories[static_cast<std::size_t>(category.parent)].id].push_back(category.id);
  }
  // Moved, never copied: a copy of a large dimension costs as much as building it.
  CategoryJson category = CategoryJson::object();
  category["index"] = std::move(index);
  category["label"] = std::move(labels);
  if (!children.empty()) category["child"] = std::move(children);
  if (metric) {
    CategoryJson units = CategoryJson::object();
    for (const PublishedCategory& measure : axis.categories) {
      units[measure.id] = {{"label", measure.label}, {"decimals", measure.decimals}};
    }
    category["unit"] = std::move(units);
  }
  CategoryJson result = CategoryJson::object();
  result["label"] = axis.label;
  result["category"] = std::move(category);
  if (!metric) result["extension"]["level"] = std::move(levels);
  return result;
}

// ISO 8601 in UTC, to the second.
std::string isoTime(std::int64_t seconds) {
  const std::time_t time = static_cast<std::time_t>(seconds);
  std::tm parts{};
  gmtime_r(&time, &parts);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
  return text;
}

// The R lines, then the period and each selection as the heading describes them, the legend of
// the confidentiality marks, and the page's message when no record was counted (the totals row
// alone, 0).
Json notes(const ResultModel& model, const PublishedTable& table) {
  Json list = Json::array();
  for (const std::string& line : model.footnoteLines) {
    const std::string text = plainUtf8(line);
    if (!text.empty()) list.push_back(text);
  }
  list.push_back(
      plainUtf8(localMessage(PageText::period, model.language) + ": " + model.periodText));
  for (const ResultSelection& selection : model.selections) {
    list.push_back(labelUtf8(selectionLine(selection)));
  }
  if (!model.markLegend.empty()) list.push_back(plainUtf8(model.markLegend));
  if (table.rows.categories.size() == 1 && model.value(0, 0) == 0) {
    list.push_back(plainUtf8(localMessage(PageText::noRecordSelected, model.language)));
  }
  return list;
}

std::string source(const ResultModel& model) {
  std::string text;
  for (const std::string& line : model.footerLines) {
    const std::string plain = plainUtf8(line);
    if (plain.empty()) continue;
    if (!text.empty()) text += ' ';
    text += plain;
  }
  return text;
}

}  // namespace

void writeJsonStat(std::FILE* file, const ResultModel& model) {
  const PublishedTable table = publishedTable(model);
  std::vector<const PublishedAxis*> axes = {&table.rows};
  if (table.columnActive) axes.push_back(&table.columns);
  axes.push_back(&table.measures);

  Json dataset = {{"version", "2.0"}, {"class", "dataset"}, {"label", plainUtf8(model.title)}};
  const std::string from = source(model);
  if (!from.empty()) dataset["source"] = from;
  if (model.dataUpdated >= 0) dataset["updated"] = isoTime(model.dataUpdated);
  dataset["note"] = notes(model, table);
  Json ids = Json::array();
  Json sizes = Json::array();
  CategoryJson dimensions = CategoryJson::object();
  for (const PublishedAxis* axis : axes) {
    ids.push_back(axis->id);
    sizes.push_back(axis->categories.size());
    dimensions[axis->id] = dimension(*axis, axis == &table.measures);
  }
  dataset["id"] = ids;
  dataset["size"] = sizes;
  dataset["role"] = {{"metric", {table.measures.id}}};

  // Every text has passed the UTF-8 conversion; "replace" only keeps a fault there from
  // ending the answer with an exception. The dimensions and the values close the dataset; the
  // values are written as they come rather than held as JSON, which would take several times
  // the table's own memory.
  std::string head = dataset.dump(-1, ' ', false, Json::error_handler_t::replace);
  head.pop_back();
  head += ",\"dimension\":";
  head += dimensions.dump(-1, ' ', false, CategoryJson::error_handler_t::replace);
  writeText(file, head + ",\"value\":[");
  std::string values;
  // The confidentiality marks by the value's index, when the definition's options give any.
  CategoryJson statuses = CategoryJson::object();
  std::size_t index = 0;
  forEachPublishedCell(table, [&](const PublishedCategory& row, const PublishedCategory* column,
                                  const PublishedCategory& measure) {
    if (index > 0) values += ',';
    values += jsonNumber(publishedText(model, row, column, measure));
    std::string mark = publishedMark(model, row, column, measure);
    if (!mark.empty()) statuses[std::to_string(index)] = std::move(mark);
    ++index;
    if (values.size() >= 65536) {
      writeText(file, values);
      values.clear();
    }
  });
  values += ']';
  if (!model.marks.empty()) values += ",\"status\":" + statuses.dump();
  writeLine(file, values + "}");
}
