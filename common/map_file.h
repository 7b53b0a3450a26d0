// The maps the tabulator draws: a GeoJSON file named by the definition, or its compact form,
// which `seriak -M` writes beside it (simplified, binary, read in a fraction of the time) and the
// tabulator uses while it is current for its source and the property the definition names.
//
// Compact form, version 1, little-endian (`mapas/uf.geojson` -> `mapas/uf.MAPA`):
//   0   8  magic "VXMAPA" and two zero bytes
//   8   4  format version, 1
//   12  4  F, features
//   16  8  size of the GeoJSON file in bytes
//   24  8  its modification time, seconds since 1970 (signed)
//   32  4  and its nanoseconds
//   36  4  R, rings
//   40  4  P, points
//   44  4  N, bytes of the property's name
//   48  8  C, bytes of the codes
//   56  8  size of the compact file itself
//   64  8  the simplification's tolerance (an IEEE double), degrees of latitude
//   72  8  zero
//   80     the property's name (N bytes), zero bytes up to a multiple of 8
//   then   per feature 12 bytes: first ring, ring count, code length (4 each)
//   then   per ring 4 bytes: its point count
//   then   per point 8 bytes: longitude and latitude, signed, in units of 1e-7 degree
//   then   the codes, one after another (Windows-1252), zero bytes up to a multiple of 8
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "failure.h"
#include "map_geometry.h"

inline constexpr std::uint32_t kMapFileVersion = 1;
inline constexpr std::size_t kMapHeaderSize = 80;

// What ties a compact map to its source: the GeoJSON's size and modification time.
struct MapSourceStamp {
  std::uint64_t size = 0;
  std::int64_t modifiedSeconds = 0;
  std::uint32_t modifiedNanoseconds = 0;
};
bool sourceStamp(const std::string& path, MapSourceStamp& stamp);

// The compact form's name beside the GeoJSON file.
std::string compactMapPath(const std::string& geoJsonPath);

// The compact form's bytes. Fails when a point lies beyond 180 degrees of longitude or 90 of
// latitude, which a GeoJSON file in degrees never holds.
[[nodiscard]] Status encodeCompactMap(const MapGeometry& map, const MapSourceStamp& source,
                                      const std::string& property, double tolerance,
                                      const std::string& name, std::string& bytes);
// The map of a compact form that matches `source` and `property` whole; false for another
// version, another source, another property or bytes that do not hold together.
bool decodeCompactMap(std::string_view bytes, const MapSourceStamp& source,
                      const std::string& property, MapGeometry& map);

enum class MapOrigin : std::uint8_t { none, compact, geoJson };
// The map in the GeoJSON file `path` (found as it stands or ignoring case) by `property`: from
// its compact form when that is current, else from the file itself. `origin` none, and no
// failure, when the file cannot be found or opened; a file that is not a GeoJSON collection of
// polygons fails.
[[nodiscard]] Status loadMap(const std::string& path, const std::string& property, MapGeometry& map,
                             MapOrigin& origin);
