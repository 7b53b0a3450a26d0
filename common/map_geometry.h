// The polygons of a map as the tabulator draws them and seriak stores them: features that carry
// a code, each a list of rings in longitude and latitude; the projection that puts them on the
// page, and the simplification seriak applies before it stores the compact form of a map.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct MapPoint {
  double lon = 0, lat = 0;  // degrees
};

struct MapFeature {
  std::string code;  // the feature's property as text, Windows-1252; empty when it has none
  std::uint32_t firstRing = 0, ringCount = 0;
};

// Rings are stored without the closing point that repeats the first. A polygon's holes are rings
// like any other: drawn with the even-odd rule they stay empty.
struct MapGeometry {
  std::vector<MapFeature> features;
  std::vector<std::uint32_t> ringStart{0};  // ring r holds points ringStart[r]..ringStart[r+1]-1
  std::vector<MapPoint> points;
};

std::uint32_t ringCount(const MapGeometry& map);
// Adds a ring of the last feature; a ring of fewer than three points is left out.
void addRing(MapGeometry& map, const std::vector<MapPoint>& ring);

struct MapBounds {
  double west = 0, south = 0, east = 0, north = 0;
  bool empty = true;
};
MapBounds mapBounds(const MapGeometry& map);

// Equirectangular, with longitudes shrunk by the cosine of the latitude of the map's centre so
// that shapes near it keep their proportions: x = (lon - west) cos(centre) scale,
// y = (north - lat) scale. The map fills the box as far as its proportions allow.
struct Projection {
  double west = 0, north = 0;
  double lonFactor = 1;  // cos(centre latitude)
  double scale = 1;      // page units per degree of latitude
  double width = 0, height = 0;
};
Projection fitProjection(const MapBounds& bounds, double boxWidth, double boxHeight);
inline double projectX(const Projection& p, double lon) {
  return (lon - p.west) * p.lonFactor * p.scale;
}
inline double projectY(const Projection& p, double lat) { return (p.north - lat) * p.scale; }

// The map with each ring simplified by the Ramer-Douglas-Peucker algorithm: a point stays when
// it lies farther than `tolerance` (degrees of latitude; longitudes count as the projection
// shrinks them) from the line between the points kept around it. A ring keeps at least three
// points, so that no feature vanishes.
MapGeometry simplifiedMap(const MapGeometry& map, double tolerance);
// Half a pixel of the map drawn 1,000 pixels across its longer side: invisible on the page.
double defaultTolerance(const MapBounds& bounds);
