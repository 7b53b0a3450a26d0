// The result as a JSON-stat 2.0 dataset: the row dimension, the column dimension when there is
// one and the measures as the metric dimension; the values in row-major order of those. Totals
// and roll-up rows are categories of their own, tied to what they sum by "child" and named by
// the dimension's "extension.level".
#include "jsonstat_output.h"

#include <cstdlib>
#include <ctime>
#include <nlohmann/json.hpp>

#include "messages.h"
#include "output.h"
#include "published_cells.h"
#include "text_output.h"

namespace {

using Json = nlohmann::ordered_json;

// A published number as JSON: an integer where it has no decimals (12, not 12.0), else the
// double nearest the rounded text; null for a value that is no number.
Json jsonNumber(double value, int decimals) {
  const std::string text = publishedNumber(value, decimals);
  if (text.empty()) return nullptr;
  if (text.find('.') == std::string::npos && text.size() < 16) {
    return std::strtoll(text.c_str(), nullptr, 10);
  }
  return std::strtod(text.c_str(), nullptr);
}

Json dimension(const PublishedAxis& axis, bool metric) {
  Json index = Json::array();
  Json labels = Json::object();
  Json levels = Json::object();
  Json children = Json::object();
  for (const PublishedCategory& category : axis.categories) {
    index.push_back(category.id);
    labels[category.id] = category.label;
    levels[category.id] = levelName(category.level);
    if (category.parent >= 0) {
      children[axis.categories[static_cast<std::size_t>(category.parent)].id].push_back(
          category.id);
    }
  }
  Json result = {{"label", axis.label}};
  Json category = {{"index", index}, {"label", labels}};
  if (!children.empty()) category["child"] = children;
  if (metric) {
    Json units = Json::object();
    for (const PublishedCategory& measure : axis.categories) {
      units[measure.id] = {{"label", measure.label}, {"decimals", measure.decimals}};
    }
    category["unit"] = units;
  }
  result["category"] = category;
  if (!metric) result["extension"] = {{"level", levels}};
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

// The R lines, then the period and each selection as the heading describes them, and the
// page's message when no record was counted (the totals row alone, 0).
Json notes(const ResultModel& model, const PublishedTable& table) {
  Json list = Json::array();
  for (const std::string& line : model.footnoteLines) {
    const std::string text = plainUtf8(line);
    if (!text.empty()) list.push_back(text);
  }
  list.push_back(plainUtf8(localMessage(PageText::period, model.language) + ": " +
                           model.periodText));
  for (const ResultSelection& selection : model.selections) {
    list.push_back(labelUtf8(selectionLine(selection)));
  }
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
  Json dimensions = Json::object();
  for (const PublishedAxis* axis : axes) {
    ids.push_back(axis->id);
    sizes.push_back(axis->categories.size());
    dimensions[axis->id] = dimension(*axis, axis == &table.measures);
  }
  dataset["id"] = ids;
  dataset["size"] = sizes;
  dataset["role"] = {{"metric", {table.measures.id}}};
  dataset["dimension"] = dimensions;

  // Every text has passed the UTF-8 conversion; "replace" only keeps a fault there from
  // ending the answer with an exception.
  std::string head = dataset.dump(-1, ' ', false, Json::error_handler_t::replace);
  // The values are written as they come rather than held as JSON: a large table would take
  // several times its own memory as a tree.
  head.pop_back();
  writeText(file, head + ",\"value\":[");
  std::string values;
  bool first = true;
  forEachPublishedCell(table, [&](const PublishedCategory& row, const PublishedCategory* column,
                                  const PublishedCategory& measure) {
    if (!first) values += ',';
    first = false;
    values += jsonNumber(publishedValue(model, row, column, measure),
                         publishedDecimals(model, column, measure))
                  .dump();
    if (values.size() >= 65536) {
      writeText(file, values);
      values.clear();
    }
  });
  writeLine(file, values + "]}");
}
