#include "map_file.h"

#include <sys/stat.h>

#include <cmath>
#include <cstring>

#include "file_search.h"
#include "geojson.h"
#include "html_escape.h"

namespace {

constexpr char kMagic[8] = {'V', 'X', 'M', 'A', 'P', 'A', 0, 0};
constexpr double kUnitsPerDegree = 1e7;
constexpr std::size_t kFeatureEntry = 12, kRingEntry = 4, kPointEntry = 8;

std::uint64_t roundUp8(std::uint64_t size) { return (size + 7) / 8 * 8; }

void putBytes(std::string& bytes, std::size_t at, std::uint64_t value, std::size_t width) {
  for (std::size_t i = 0; i < width; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
}

std::uint64_t getBytes(std::string_view bytes, std::size_t at, std::size_t width) {
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < width; ++i) {
    value |= std::uint64_t{static_cast<unsigned char>(bytes[at + i])} << (8 * i);
  }
  return value;
}

struct Layout {
  std::uint64_t features = 0, rings = 0, points = 0, codes = 0, end = 0;
};

Layout layoutOf(std::uint64_t propertyBytes, std::uint64_t featureCount, std::uint64_t rings,
                std::uint64_t points, std::uint64_t codeBytes) {
  Layout layout;
  layout.features = kMapHeaderSize + roundUp8(propertyBytes);
  layout.rings = layout.features + featureCount * kFeatureEntry;
  layout.points = layout.rings + rings * kRingEntry;
  layout.codes = layout.points + points * kPointEntry;
  layout.end = roundUp8(layout.codes + codeBytes);
  return layout;
}

bool storable(const MapPoint& p) { return std::fabs(p.lon) <= 180 && std::fabs(p.lat) <= 90; }

}  // namespace

bool sourceStamp(const std::string& path, MapSourceStamp& stamp) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  stamp.size = static_cast<std::uint64_t>(info.st_size);
  stamp.modifiedSeconds = static_cast<std::int64_t>(info.st_mtim.tv_sec);
  stamp.modifiedNanoseconds = static_cast<std::uint32_t>(info.st_mtim.tv_nsec);
  return true;
}

std::string compactMapPath(const std::string& geoJsonPath) {
  return replaceExtension(geoJsonPath, ".MAPA");
}

Status encodeCompactMap(const MapGeometry& map, const MapSourceStamp& source,
                        const std::string& property, double tolerance, const std::string& name,
                        std::string& bytes) {
  std::uint64_t codeBytes = 0;
  for (const MapFeature& feature : map.features) codeBytes += feature.code.size();
  const std::uint64_t rings = ringCount(map), points = map.points.size();
  const Layout layout = layoutOf(property.size(), map.features.size(), rings, points, codeBytes);
  bytes.assign(layout.end, '\0');
  std::memcpy(bytes.data(), kMagic, sizeof kMagic);
  putBytes(bytes, 8, kMapFileVersion, 4);
  putBytes(bytes, 12, map.features.size(), 4);
  putBytes(bytes, 16, source.size, 8);
  putBytes(bytes, 24, static_cast<std::uint64_t>(source.modifiedSeconds), 8);
  putBytes(bytes, 32, source.modifiedNanoseconds, 4);
  putBytes(bytes, 36, rings, 4);
  putBytes(bytes, 40, points, 4);
  putBytes(bytes, 44, property.size(), 4);
  putBytes(bytes, 48, codeBytes, 8);
  putBytes(bytes, 56, layout.end, 8);
  std::uint64_t toleranceBits = 0;
  std::memcpy(&toleranceBits, &tolerance, sizeof toleranceBits);
  putBytes(bytes, 64, toleranceBits, 8);
  bytes.replace(kMapHeaderSize, property.size(), property);
  std::size_t at = layout.features, codeAt = layout.codes;
  for (const MapFeature& feature : map.features) {
    putBytes(bytes, at, feature.firstRing, 4);
    putBytes(bytes, at + 4, feature.ringCount, 4);
    putBytes(bytes, at + 8, feature.code.size(), 4);
    at += kFeatureEntry;
    bytes.replace(codeAt, feature.code.size(), feature.code);
    codeAt += feature.code.size();
  }
  for (std::uint32_t r = 0; r < rings; ++r) {
    putBytes(bytes, at, map.ringStart[r + 1] - map.ringStart[r], 4);
    at += kRingEntry;
  }
  for (const MapPoint& p : map.points) {
    if (!storable(p)) {
      return runtimeError(htmlEscape(name) +
                          ": coordenadas fora de 180 graus de longitude ou 90 de latitude");
    }
    const auto lon = static_cast<std::int32_t>(std::lround(p.lon * kUnitsPerDegree));
    const auto lat = static_cast<std::int32_t>(std::lround(p.lat * kUnitsPerDegree));
    putBytes(bytes, at, static_cast<std::uint32_t>(lon), 4);
    putBytes(bytes, at + 4, static_cast<std::uint32_t>(lat), 4);
    at += kPointEntry;
  }
  return std::nullopt;
}

bool decodeCompactMap(std::string_view bytes, const MapSourceStamp& source,
                      const std::string& property, MapGeometry& map) {
  map = MapGeometry();
  if (bytes.size() < kMapHeaderSize || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0 ||
      getBytes(bytes, 8, 4) != kMapFileVersion || getBytes(bytes, 16, 8) != source.size ||
      static_cast<std::int64_t>(getBytes(bytes, 24, 8)) != source.modifiedSeconds ||
      getBytes(bytes, 32, 4) != source.modifiedNanoseconds ||
      getBytes(bytes, 56, 8) != bytes.size() || getBytes(bytes, 44, 4) != property.size()) {
    return false;
  }
  const std::uint64_t featureCount = getBytes(bytes, 12, 4), rings = getBytes(bytes, 36, 4);
  const std::uint64_t points = getBytes(bytes, 40, 4), codeBytes = getBytes(bytes, 48, 8);
  // Counts of 32 bits and codes within the file's size keep the sums below from overflowing.
  if (codeBytes > bytes.size()) return false;
  const Layout layout = layoutOf(property.size(), featureCount, rings, points, codeBytes);
  if (layout.end != bytes.size() || bytes.substr(kMapHeaderSize, property.size()) != property) {
    return false;
  }
  map.ringStart.reserve(rings + 1);
  std::size_t at = layout.rings;
  for (std::uint64_t r = 0; r < rings; ++r, at += kRingEntry) {
    const std::uint64_t next = map.ringStart.back() + getBytes(bytes, at, 4);
    if (next > points) return false;
    map.ringStart.push_back(static_cast<std::uint32_t>(next));
  }
  if (map.ringStart.back() != points) return false;
  map.points.resize(points);
  for (MapPoint& p : map.points) {
    p.lon = static_cast<std::int32_t>(getBytes(bytes, at, 4)) / kUnitsPerDegree;
    p.lat = static_cast<std::int32_t>(getBytes(bytes, at + 4, 4)) / kUnitsPerDegree;
    at += kPointEntry;
  }
  map.features.resize(featureCount);
  std::uint64_t codeAt = layout.codes;
  at = layout.features;
  for (MapFeature& feature : map.features) {
    const std::uint64_t first = getBytes(bytes, at, 4), count = getBytes(bytes, at + 4, 4);
    const std::uint64_t length = getBytes(bytes, at + 8, 4);
    at += kFeatureEntry;
    if (first + count > rings || codeAt + length > layout.codes + codeBytes) return false;
    feature.firstRing = static_cast<std::uint32_t>(first);
    feature.ringCount = static_cast<std::uint32_t>(count);
    feature.code.assign(bytes.substr(codeAt, length));
    codeAt += length;
  }
  return true;
}

Status loadMap(const std::string& path, const std::string& property, MapGeometry& map,
               MapOrigin& origin) {
  origin = MapOrigin::none;
  map = MapGeometry();
  const std::string found = findFile(path);
  MapSourceStamp stamp;
  if (found.empty() || !sourceStamp(found, stamp)) return std::nullopt;
  const std::string compact = findFile(compactMapPath(found));
  std::string bytes;
  bool opened = false;
  if (!compact.empty() && !readWholeFile(compact, bytes, opened) && opened &&
      decodeCompactMap(bytes, stamp, property, map)) {
    origin = MapOrigin::compact;
    return std::nullopt;
  }
  if (Status failure = readWholeFile(found, bytes, opened)) return failure;
  if (!opened) return std::nullopt;
  if (Status failure = readGeoJson(bytes, property, path, map)) return failure;
  origin = MapOrigin::geoJson;
  return std::nullopt;
}
