#include "result_chart.h"

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <string>
#include <vector>

#include "heading_block.h"
#include "html_table.h"
#include "modern_texts.h"
#include "number_text.h"
#include "output.h"
#include "picture_scale.h"
#include "text_helpers.h"

namespace {

// Laid out in the SVG's own units, which the page shows as pixels until the box is narrower.
constexpr double kWidth = 720;
constexpr double kCharWidth = 6.5;  // a 12 px character on average, to make room for texts
constexpr std::size_t kLabelChars = 30;
constexpr double kSingleBar = 16, kGroupBar = 12, kBandGap = 8;
constexpr double kTop = 8, kAxisRoom = 28;
constexpr double kEmptyBar = 24;  // a suppressed value: an outlined box that says nothing of it

void writeOut(std::string_view text) { writeLine(stdout, text); }

struct ChartPlan {
  std::vector<int> series;  // the model's columns, one bar each per row; 0 the totals column
  std::vector<int> rows;    // in the table's order
  int candidateRows = 0;    // rows that could be drawn, before the largest are chosen
  int writtenColumns = 0;
  PictureText columnsNote = PictureText::chartCaption;  // chartCaption: no note
};

std::vector<int> chartSeries(const ResultModel& model, ChartPlan& plan) {
  if (!model.columnActive) return {1};
  std::vector<int> written;
  for (int c = 1; c <= model.columnCount; ++c) {
    if (columnWritten(model, c)) written.push_back(c);
  }
  plan.writtenColumns = static_cast<int>(written.size());
  if (written.size() <= static_cast<std::size_t>(kMostChartSeries)) return written;
  if (totalsColumnWritten(model)) {
    plan.columnsNote = PictureText::chartTotals;
    return {0};
  }
  plan.columnsNote = PictureText::chartFirstColumns;
  written.resize(kMostChartSeries);
  return written;
}

// What ranks a row among the largest: only what the table publishes, so that the choice of rows
// says nothing of a suppressed value.
double rankOf(const ResultModel& model, const std::vector<int>& series, int row) {
  const std::vector<int> ranked =
      series.size() > 1 && totalsColumnWritten(model) ? std::vector<int>{0} : series;
  double sum = 0;
  bool any = false;
  for (const int column : ranked) {
    if (!valuePublished(model, row, column)) continue;
    sum += model.value(row, column);
    any = true;
  }
  return any ? sum : -1e308;
}

ChartPlan planChart(const ResultModel& model) {
  ChartPlan plan;
  plan.series = chartSeries(model, plan);
  if (plan.series.empty()) return plan;
  // Totals and summary rows would stand beside the parts they add up.
  for (int p = 1; p <= model.rowCount; ++p) {
    const int row = rowAtPosition(model, p);
    if (rowWritten(model, row) && !model.summaryRow[row]) plan.rows.push_back(row);
  }
  plan.candidateRows = static_cast<int>(plan.rows.size());
  if (plan.rows.size() <= static_cast<std::size_t>(kMostChartRows)) return plan;
  std::vector<std::size_t> order(plan.rows.size());
  std::iota(order.begin(), order.end(), 0);
  std::vector<double> rank(plan.rows.size());
  for (std::size_t i = 0; i < plan.rows.size(); ++i) {
    rank[i] = rankOf(model, plan.series, plan.rows[i]);
  }
  // Ties go to the row the table shows first.
  std::stable_sort(order.begin(), order.end(),
                   [&rank](std::size_t a, std::size_t b) { return rank[a] > rank[b]; });
  order.resize(kMostChartRows);
  std::sort(order.begin(), order.end());
  std::vector<int> kept;
  for (const std::size_t i : order) kept.push_back(plan.rows[i]);
  plan.rows = std::move(kept);
  return plan;
}

// Whether the bars stand for column categories (rather than the only measure or the totals).
bool byColumn(const ResultModel& model, const ChartPlan& plan) {
  return model.columnActive && !plan.series.empty() && plan.series.front() != 0;
}

std::string seriesLabel(const ResultModel& model, int column) {
  return column == 0 ? modernText(ModernText::total, model.language)
                     : htmlAccents(model.columnLabels[column]);
}

// A row's label as the chart shows it beside its bars; the title keeps it whole.
std::string shortLabel(const std::string& label) {
  if (label.size() <= kLabelChars) return htmlAccents(label);
  std::string shown = label.substr(0, kLabelChars - 3);
  // At a word's end, when one ends far enough in.
  const std::size_t space = shown.rfind(' ');
  if (space != std::string::npos && space > kLabelChars / 2) shown.resize(space);
  return htmlAccents(trimSpaces(shown)) + "...";
}

std::string attribute(const char* name, double value) {
  return std::string(" ") + name + "=\"" + coordinateText(value) + "\"";
}

std::string textElement(const char* cls, double x, double y, const std::string& text,
                        const char* anchor = nullptr, bool hidden = false) {
  std::string element =
      std::string("<text class=\"") + cls + "\"" + attribute("x", x) + attribute("y", y);
  if (anchor != nullptr) element += std::string(" text-anchor=\"") + anchor + "\"";
  if (hidden) element += " aria-hidden=\"true\"";
  return element + ">" + text + "</text>";
}

struct Frame {
  LinearScale scale;
  double labelRight = 0, zero = 0;
  double bar = kSingleBar, band = kSingleBar + kBandGap;
};

// One bar of one row: its title, the bar (or the empty box, or nothing), and its value; `extra`
// goes inside its group.
std::string barElement(const ResultModel& model, const Frame& frame, int row, int column,
                       int seriesNumber, double top, const std::string& title,
                       const std::string& extra = {}) {
  const std::string shown = tableCellText(model, row, column);
  const double middle = top + frame.bar / 2 + 4;
  std::string element = "<g role=\"img\"><title>" + title + ": " + shown + "</title>";
  const CellMark mark = model.mark(row, column);
  if (mark == CellMark::suppressed) {
    element += "<rect class=\"vx-vazio\"" + attribute("x", frame.zero) + attribute("y", top) +
               attribute("width", kEmptyBar) + attribute("height", frame.bar) + "/>";
    element += textElement("vx-valor", frame.zero + kEmptyBar / 2, middle, shown, "middle");
  } else if (mark == CellMark::notComputable) {
    element += textElement("vx-valor", frame.zero + 4, middle, shown);
  } else {
    const double end = scaled(frame.scale, model.value(row, column));
    const double left = std::min(end, frame.zero), right = std::max(end, frame.zero);
    std::string cls = "vx-s" + std::to_string(seriesNumber);
    if (mark == CellMark::unreliable) cls += " vx-instavel";
    element += "<rect class=\"" + cls + "\"" + attribute("x", left) + attribute("y", top) +
               attribute("width", right - left) + attribute("height", frame.bar) + "/>";
    element += textElement("vx-valor", right + 4, middle, shown);
  }
  return element + extra + "</g>";
}

void writeAxis(const ResultModel& model, const Frame& frame, const Ticks& ticks, double bottom) {
  writeOut("<g class=\"vx-eixo\" aria-hidden=\"true\">");
  for (int i = 0; i < ticks.count; ++i) {
    const double value = ticks.at(i);
    const double x = scaled(frame.scale, value);
    writeOut("<line class=\"" + std::string(value == 0 ? "vx-zero" : "vx-grade") + "\"" +
             attribute("x1", x) + attribute("y1", kTop - 4) + attribute("x2", x) +
             attribute("y2", bottom) + "/>");
    writeOut(textElement(
        "vx-marca", x, bottom + 16,
        numberText(value, ticks.decimals, model.thousandsSeparator, model.decimalSeparator),
        "middle"));
  }
  writeOut("</g>");
}

void writeNotes(const ResultModel& model, const ChartPlan& plan) {
  if (plan.columnsNote != PictureText::chartCaption) {
    PictureSlots slots;
    slots.total = plan.writtenColumns;
    writeOut("<p>" + pictureText(plan.columnsNote, model.language, slots) + "</p>");
  }
  if (plan.candidateRows > static_cast<int>(plan.rows.size())) {
    PictureSlots slots;
    slots.shown = static_cast<int>(plan.rows.size());
    slots.total = plan.candidateRows;
    writeOut("<p>" + pictureText(PictureText::chartLargest, model.language, slots) + "</p>");
  }
}

void writeLegend(const ResultModel& model, const ChartPlan& plan) {
  if (!byColumn(model, plan)) return;
  writeOut("<ul class=\"vx-cores\">");
  for (std::size_t k = 0; k < plan.series.size(); ++k) {
    writeOut("<li><span class=\"vx-amostra vx-s" + std::to_string(k + 1) + "\"></span>" +
             seriesLabel(model, plan.series[k]) + "</li>");
  }
  writeOut("</ul>");
}

}  // namespace

void writeResultChart(const ResultModel& model) {
  const ChartPlan plan = planChart(model);
  if (plan.rows.empty()) return;
  const bool columns = byColumn(model, plan);
  Frame frame;
  if (plan.series.size() > 1) {
    frame.bar = kGroupBar;
    frame.band = kGroupBar * static_cast<double>(plan.series.size()) + kBandGap;
  }

  double low = 0, high = 0;
  std::size_t labelChars = 0, valueChars = 0;
  int decimals = 0;
  for (const int column : plan.series) decimals = std::max(decimals, decimalsOf(model, column));
  for (const int row : plan.rows) {
    labelChars = std::max(labelChars, std::min(model.rowLabels[row].size(), kLabelChars));
    for (const int column : plan.series) {
      valueChars = std::max(valueChars, tableCellText(model, row, column).size());
      if (!valuePublished(model, row, column)) continue;
      low = std::min(low, model.value(row, column));
      high = std::max(high, model.value(row, column));
    }
  }
  const Ticks ticks = roundTicks(low, high, decimals);
  frame.labelRight = 8 + kCharWidth * static_cast<double>(labelChars);
  const double valueRoom = std::max(kEmptyBar, 8 + kCharWidth * static_cast<double>(valueChars));
  frame.scale = {ticks.first, ticks.last(), frame.labelRight + 8, kWidth - valueRoom};
  frame.zero = scaled(frame.scale, 0);
  const double bottom = kTop + frame.band * static_cast<double>(plan.rows.size());
  const double height = bottom + kAxisRoom;

  const std::string measure =
      htmlAccents(model.measureNames.size() > 1 ? model.measureNames[1] : std::string());
  const std::string rowName = htmlAccents(model.rowTitle);
  const std::string columnName = htmlAccents(choiceName(model.columnChoice));
  const PictureSlots names{measure, rowName, columnName, {}, 0, 0};
  writeOut("<figure class=\"vx-grafico\">");
  writeOut("<figcaption><h2 id=\"vx-grafico-titulo\">" +
           pictureText(columns ? PictureText::chartCaptionColumn : PictureText::chartCaption,
                       model.language, names) +
           "</h2>");
  writeNotes(model, plan);
  writeOut("</figcaption>");
  writeLegend(model, plan);
  writeOut("<svg class=\"vx-barras\" viewBox=\"0 0 " + coordinateText(kWidth) + " " +
           coordinateText(height) + "\"" + attribute("width", kWidth) +
           attribute("height", height) + " role=\"group\" aria-labelledby=\"vx-grafico-titulo\">");
  writeAxis(model, frame, ticks, bottom);
  double top = kTop;
  for (const int row : plan.rows) {
    const std::string label = htmlAccents(model.rowLabels[row]);
    const double labelY = top + (frame.band - kBandGap) / 2 + 4;
    const std::string shortName = shortLabel(model.rowLabels[row]);
    if (plan.series.size() == 1) {
      // Inside the bar's own group, whose title names it: the label is read once.
      const std::string title = columns ? label + ", " + seriesLabel(model, plan.series[0]) : label;
      writeOut(barElement(model, frame, row, plan.series[0], 1, top, title,
                          textElement("vx-rotulo", frame.labelRight, labelY, shortName, "end")));
    } else {
      writeOut("<g class=\"vx-linha\">");
      writeOut(textElement("vx-rotulo", frame.labelRight, labelY, shortName, "end", true));
      for (std::size_t k = 0; k < plan.series.size(); ++k) {
        const int column = plan.series[k];
        writeOut(barElement(model, frame, row, column, static_cast<int>(k) + 1,
                            top + kGroupBar * static_cast<double>(k),
                            label + ", " + seriesLabel(model, column)));
      }
      writeOut("</g>");
    }
    top += frame.band;
  }
  writeOut("</svg>");
  writeOut("</figure>");
}
