#include "result_map.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "html_table.h"
#include "map_file.h"
#include "modern_texts.h"
#include "number_text.h"
#include "output.h"
#include "picture_scale.h"
#include "text_helpers.h"

namespace {

void writeOut(std::string_view text) { writeLine(stdout, text); }

// The page's pixels in tenths: whole numbers in the SVG, a tenth of a pixel apart, keep a map of
// thousands of places small.
constexpr double kUnitsPerPixel = 10;

long units(double pixels) { return std::lround(pixels * kUnitsPerPixel); }

void appendNumber(std::string& out, long value) {
  char text[24];
  const auto end = std::to_chars(text, text + sizeof text, value).ptr;
  out.append(text, end);
}

// A number of a path after another number: a minus sign parts them, else a space.
void appendNext(std::string& out, long value) {
  if (value >= 0) out += ' ';
  appendNumber(out, value);
}

// The feature's rings as path data: each ring moves to its first point, then goes point by point
// relative to the last. Points that fall on the same tenth of a pixel are drawn once, and a ring
// left with fewer than three is too small to see.
void appendRings(std::string& out, const MapGeometry& map, const MapFeature& feature,
                 const Projection& projection, std::vector<std::pair<long, long>>& ring) {
  for (std::uint32_t r = feature.firstRing; r < feature.firstRing + feature.ringCount; ++r) {
    ring.clear();
    for (std::uint32_t i = map.ringStart[r]; i < map.ringStart[r + 1]; ++i) {
      const MapPoint& p = map.points[i];
      const std::pair<long, long> at{units(projectX(projection, p.lon)),
                                     units(projectY(projection, p.lat))};
      if (ring.empty() || at != ring.back()) ring.push_back(at);
    }
    if (ring.size() > 1 && ring.back() == ring.front()) ring.pop_back();
    if (ring.size() < 3) continue;
    out += 'M';
    appendNumber(out, ring[0].first);
    appendNext(out, ring[0].second);
    out += 'l';
    for (std::size_t i = 1; i < ring.size(); ++i) {
      const long dx = ring[i].first - ring[i - 1].first, dy = ring[i].second - ring[i - 1].second;
      if (i == 1) {
        appendNumber(out, dx);
      } else {
        appendNext(out, dx);
      }
      appendNext(out, dy);
    }
    out += 'z';
  }
}

void writeNote(PictureText text, const ResultModel& model, const std::string& file = {}) {
  PictureSlots slots;
  const std::string shown = htmlEscape(file);
  slots.file = shown;
  writeOut("<p class=\"vx-aviso\">" + pictureText(text, model.language, slots) + "</p>");
}

// The column the map shows: the first measure, or with a column the row's total.
int mapColumn(const ResultModel& model) { return model.columnActive ? 0 : 1; }

struct FeatureClass {
  int row = 0;  // 0: the feature is in no row of the table
  std::string cls;
};

std::string swatch(const std::string& cls, const std::string& text) {
  return "<li><span class=\"vx-amostra " + cls + "\"></span>" + text + "</li>";
}

}  // namespace

const MapOption* mapForRow(const std::vector<MapOption>& maps, const std::string& rowKey) {
  for (const MapOption& map : maps) {
    if (map.rowKey == rowKey) return &map;
  }
  return nullptr;
}

void writeMapPicture(const ResultModel& model, const Dimension& rowDimension,
                     const MapGeometry& map) {
  const Projection projection = fitProjection(mapBounds(map), kMapWidth, kMapHeight);
  if (projection.width <= 0 || projection.height <= 0) return;
  const int column = mapColumn(model);
  const int decimals = decimalsOf(model, column);

  // The rows the map reaches, and the values they publish: the classes are theirs alone. A row
  // the table leaves out (nothing counted in it, or outside the categories selected) has no
  // value on the map either, rather than a zero that would colour a place nothing was asked of.
  std::vector<int> rows(map.features.size(), 0);
  std::vector<bool> reached(static_cast<std::size_t>(model.rowCount) + 1, false);
  for (std::size_t f = 0; f < map.features.size(); ++f) {
    const int category = categoryOf(rowDimension, map.features[f].code);
    if (category >= 1 && category <= model.rowCount) {
      rows[f] = category;
      reached[static_cast<std::size_t>(category)] = rowWritten(model, category);
    }
  }
  std::vector<double> shownValue(reached.size(), 0);
  std::vector<double> values;
  for (int row = 1; row <= model.rowCount; ++row) {
    if (!reached[static_cast<std::size_t>(row)] || !valuePublished(model, row, column)) continue;
    // As the table writes it, so that a place's colour agrees with the number it shows.
    shownValue[static_cast<std::size_t>(row)] = roundHalfAway(model.value(row, column), decimals);
    values.push_back(shownValue[static_cast<std::size_t>(row)]);
  }
  const ValueClasses classes = quantileClasses(values, kMapClasses);
  bool anyNoValue = false, anySuppressed = false;
  std::vector<FeatureClass> kinds(map.features.size());
  for (std::size_t f = 0; f < map.features.size(); ++f) {
    const int row = rows[f];
    kinds[f].row = row;
    if (row == 0 || !reached[static_cast<std::size_t>(row)] ||
        model.mark(row, column) == CellMark::notComputable) {
      kinds[f].cls = "vx-nulo";
      anyNoValue = true;
    } else if (model.mark(row, column) == CellMark::suppressed) {
      kinds[f].cls = "vx-oculta";
      anySuppressed = true;
    } else {
      const int k = classOf(classes, shownValue[static_cast<std::size_t>(row)]);
      kinds[f].cls = "vx-c" + std::to_string(paletteStep(k, classes.count(), kMapClasses));
    }
  }

  const std::string measure =
      htmlAccents(model.measureNames.size() > 1 ? model.measureNames[1] : std::string());
  const std::string rowName = htmlAccents(model.rowTitle);
  writeOut("<figure class=\"vx-mapa\">");
  writeOut("<figcaption><h2 id=\"vx-mapa-titulo\">" +
           pictureText(PictureText::mapCaption, model.language, {measure, rowName, {}, {}, 0, 0}) +
           "</h2></figcaption>");
  writeOut("<ul class=\"vx-cores\">");
  const auto number = [&model, decimals](double value) {
    return numberText(value, decimals, model.thousandsSeparator, model.decimalSeparator);
  };
  for (int k = 0; k < classes.count(); ++k) {
    const double low = classes.lowest[static_cast<std::size_t>(k)];
    const double high = classes.highest[static_cast<std::size_t>(k)];
    writeOut(swatch("vx-c" + std::to_string(paletteStep(k, classes.count(), kMapClasses)),
                    low == high ? number(low) : number(low) + " \x96 " + number(high)));
  }
  if (anySuppressed) {
    writeOut(swatch("vx-oculta", pictureText(PictureText::suppressedValue, model.language)));
  }
  const std::string noValue = pictureText(PictureText::noValue, model.language);
  if (anyNoValue) writeOut(swatch("vx-nulo", noValue));
  writeOut("</ul>");

  const long width = std::lround(projection.width), height = std::lround(projection.height);
  writeOut("<svg class=\"vx-areas\" viewBox=\"0 0 " + std::to_string(units(width)) + " " +
           std::to_string(units(height)) + "\" width=\"" + std::to_string(width) + "\" height=\"" +
           std::to_string(height) + "\" role=\"group\" aria-labelledby=\"vx-mapa-titulo\">");
  if (anySuppressed) {
    writeOut(
        "<defs><pattern id=\"vx-hachura\" width=\"60\" height=\"60\" "
        "patternUnits=\"userSpaceOnUse\" patternTransform=\"rotate(45)\">"
        "<rect width=\"60\" height=\"60\" fill=\"#f2f2f2\"/>"
        "<rect width=\"20\" height=\"60\" fill=\"#8a8a8a\"/></pattern></defs>");
  }
  std::string line;
  std::vector<std::pair<long, long>> ring;
  for (std::size_t f = 0; f < map.features.size(); ++f) {
    const MapFeature& feature = map.features[f];
    const int row = kinds[f].row;
    line = "<path class=\"" + kinds[f].cls + "\" d=\"";
    appendRings(line, map, feature, projection, ring);
    line += "\"><title>";
    if (row == 0) {
      line += feature.code.empty() ? noValue : htmlEscape(feature.code) + ": " + noValue;
    } else if (!reached[static_cast<std::size_t>(row)]) {
      line += htmlAccents(model.rowLabels[row]) + ": " + noValue;
    } else {
      line += htmlAccents(model.rowLabels[row]) + ": " + tableCellText(model, row, column);
    }
    line += "</title></path>";
    writeOut(line);
  }
  writeOut("</svg>");
  writeOut("</figure>");
}

void writeResultMap(const ResultModel& model, const Dimension& rowDimension,
                    const MapOption* option) {
  if (option == nullptr) return;
  if (!option->complete) return writeNote(PictureText::mapIncomplete, model);
  if (model.columnActive && !model.totalColumnShown) {
    return writeNote(PictureText::mapNoTotal, model);
  }
  MapGeometry map;
  MapOrigin origin = MapOrigin::none;
  if (loadMap(option->file, option->property, map, origin)) {
    return writeNote(PictureText::mapInvalid, model, option->file);
  }
  if (origin == MapOrigin::none) return writeNote(PictureText::mapMissing, model, option->file);
  if (mapBounds(map).empty) return writeNote(PictureText::mapInvalid, model, option->file);
  writeMapPicture(model, rowDimension, map);
}
