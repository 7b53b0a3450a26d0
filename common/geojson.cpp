#include "geojson.h"

#include <cmath>
#include <cstdint>
#include <nlohmann/json.hpp>

#include "html_escape.h"

namespace {

using Json = nlohmann::json;

// Windows-1252 bytes 0x80-0x9F by their Unicode code points; 0 where the code page has none.
constexpr std::uint16_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char windows1252Byte(std::uint32_t codePoint) {
  if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) {
    return static_cast<char>(codePoint);
  }
  for (int i = 0; i < 32; ++i) {
    if (kHighControls[i] != 0 && kHighControls[i] == codePoint) return static_cast<char>(0x80 + i);
  }
  return '?';
}

Failure notGeoJson(const std::string& name, const std::string& what) {
  return runtimeError(htmlEscape(name) + ": " + what);
}

std::string codeText(const Json& value) {
  if (value.is_string()) return windows1252FromUtf8(value.get_ref<const std::string&>());
  if (value.is_number_integer()) return value.dump();
  if (value.is_number_float()) {
    const double number = value.get<double>();
    if (std::isfinite(number) && std::floor(number) == number && std::fabs(number) < 1e15) {
      return std::to_string(static_cast<long long>(number));
    }
    return value.dump();
  }
  return {};
}

// One ring's positions; false when a position is not two finite numbers or more.
bool readRing(const Json& ring, std::vector<MapPoint>& points) {
  points.clear();
  if (!ring.is_array()) return false;
  points.reserve(ring.size());
  for (const Json& position : ring) {
    if (!position.is_array() || position.size() < 2 || !position[0].is_number() ||
        !position[1].is_number()) {
      return false;
    }
    const MapPoint p{position[0].get<double>(), position[1].get<double>()};
    if (!std::isfinite(p.lon) || !std::isfinite(p.lat)) return false;
    points.push_back(p);
  }
  // The closing position repeats the first.
  if (points.size() > 1 && points.front().lon == points.back().lon &&
      points.front().lat == points.back().lat) {
    points.pop_back();
  }
  return true;
}

bool readPolygon(const Json& rings, MapGeometry& map, std::vector<MapPoint>& points) {
  if (!rings.is_array()) return false;
  for (const Json& ring : rings) {
    if (!readRing(ring, points)) return false;
    addRing(map, points);
  }
  return true;
}

bool readGeometry(const Json& geometry, MapGeometry& map, std::vector<MapPoint>& points) {
  const std::string& type = geometry["type"].get_ref<const std::string&>();
  const auto coordinates = geometry.find("coordinates");
  if (coordinates == geometry.end()) return false;
  if (type == "Polygon") return readPolygon(*coordinates, map, points);
  if (!coordinates->is_array()) return false;
  for (const Json& polygon : *coordinates) {
    if (!readPolygon(polygon, map, points)) return false;
  }
  return true;
}

bool isPolygonal(const Json& feature) {
  const auto geometry = feature.find("geometry");
  if (geometry == feature.end() || !geometry->is_object()) return false;
  const auto type = geometry->find("type");
  return type != geometry->end() && type->is_string() &&
         (*type == "Polygon" || *type == "MultiPolygon");
}

}  // namespace

Status readGeoJson(std::string_view bytes, const std::string& property, const std::string& name,
                   MapGeometry& map) {
  map = MapGeometry();
  const Json root = Json::parse(bytes, nullptr, false);
  if (root.is_discarded()) return notGeoJson(name, "JSON inv\xE1lido");
  const auto type = root.is_object() ? root.find("type") : root.end();
  const auto features = root.is_object() ? root.find("features") : root.end();
  if (type == root.end() || *type != "FeatureCollection" || features == root.end() ||
      !features->is_array()) {
    return notGeoJson(name, "n\xE3o \xE9 uma FeatureCollection");
  }
  std::vector<MapPoint> points;
  std::size_t number = 0;
  for (const Json& feature : *features) {
    ++number;
    if (!feature.is_object() || !isPolygonal(feature)) continue;
    std::string code;
    const auto properties = feature.find("properties");
    if (properties != feature.end() && properties->is_object()) {
      const auto value = properties->find(property);
      if (value != properties->end()) code = codeText(*value);
    }
    map.features.push_back({std::move(code), ringCount(map), 0});
    if (!readGeometry(feature["geometry"], map, points)) {
      return notGeoJson(
          name, "coordenadas inv\xE1lidas no elemento " + std::to_string(number) + " de features");
    }
  }
  return std::nullopt;
}

std::string windows1252FromUtf8(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const int length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    if (length == 0 || i + static_cast<std::size_t>(length) > text.size()) {
      result += '?';
      ++i;
      continue;
    }
    std::uint32_t codePoint = length == 1 ? lead : lead & (0x7F >> length);
    bool valid = true;
    for (int k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
      valid &= (next & 0xC0) == 0x80;
      codePoint = codePoint << 6 | (next & 0x3F);
    }
    result += valid ? windows1252Byte(codePoint) : '?';
    i += valid ? static_cast<std::size_t>(length) : 1;
  }
  return result;
}
