#include "map_geometry.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

constexpr double kPi = 3.14159265358979323846;

double lonFactorOf(const MapBounds& bounds) {
  return bounds.empty ? 1.0 : std::cos((bounds.south + bounds.north) / 2 * kPi / 180);
}

// The square of the distance from p to the segment a-b, longitudes scaled by `factor`.
double squaredDistance(const MapPoint& p, const MapPoint& a, const MapPoint& b, double factor) {
  const double ax = a.lon * factor, ay = a.lat;
  const double dx = b.lon * factor - ax, dy = b.lat - ay;
  const double px = p.lon * factor - ax, py = p.lat - ay;
  const double length = dx * dx + dy * dy;
  double t = length > 0 ? (px * dx + py * dy) / length : 0;
  t = std::clamp(t, 0.0, 1.0);
  const double ex = px - t * dx, ey = py - t * dy;
  return ex * ex + ey * ey;
}

// Marks the points of ring[first..last] (indexes taken modulo the ring's size) that the
// algorithm keeps; first and last are kept by the caller. A stack, not recursion, so that a ring
// of a million points cannot exhaust the call stack.
void markKept(const std::vector<MapPoint>& ring, std::size_t first, std::size_t last,
              double squaredTolerance, double factor, std::vector<bool>& kept) {
  const std::size_t n = ring.size();
  std::vector<std::pair<std::size_t, std::size_t>> spans{{first, last}};
  while (!spans.empty()) {
    const auto [from, to] = spans.back();
    spans.pop_back();
    double farthest = -1;
    std::size_t at = from;
    for (std::size_t i = from + 1; i < to; ++i) {
      const double d = squaredDistance(ring[i % n], ring[from % n], ring[to % n], factor);
      if (d > farthest) {
        farthest = d;
        at = i;
      }
    }
    if (at == from || farthest <= squaredTolerance) continue;
    kept[at % n] = true;
    spans.push_back({from, at});
    spans.push_back({at, to});
  }
}

std::vector<MapPoint> simplifiedRing(const std::vector<MapPoint>& ring, double tolerance,
                                     double factor) {
  const std::size_t n = ring.size();
  if (n <= 3) return ring;
  // The ring is cut at its first point and the point farthest from it, which any
  // simplification keeps.
  std::size_t far = 0;
  double farthest = -1;
  for (std::size_t i = 1; i < n; ++i) {
    const double d = squaredDistance(ring[i], ring[0], ring[0], factor);
    if (d > farthest) {
      farthest = d;
      far = i;
    }
  }
  std::vector<bool> kept(n, false);
  kept[0] = kept[far] = true;
  const double squaredTolerance = tolerance * tolerance;
  markKept(ring, 0, far, squaredTolerance, factor, kept);
  markKept(ring, far, n, squaredTolerance, factor, kept);
  if (std::count(kept.begin(), kept.end(), true) < 3) {
    // A ring smaller than the tolerance keeps the triangle that shows most of it.
    std::size_t third = 0;
    double widest = -1;
    for (std::size_t i = 1; i < n; ++i) {
      const double d = squaredDistance(ring[i], ring[0], ring[far], factor);
      if (!kept[i] && d > widest) {
        widest = d;
        third = i;
      }
    }
    kept[third] = true;
  }
  std::vector<MapPoint> result;
  for (std::size_t i = 0; i < n; ++i) {
    if (kept[i]) result.push_back(ring[i]);
  }
  return result;
}

}  // namespace

std::uint32_t ringCount(const MapGeometry& map) {
  return static_cast<std::uint32_t>(map.ringStart.size() - 1);
}

void addRing(MapGeometry& map, const std::vector<MapPoint>& ring) {
  if (ring.size() < 3 || map.features.empty()) return;
  map.points.insert(map.points.end(), ring.begin(), ring.end());
  map.ringStart.push_back(static_cast<std::uint32_t>(map.points.size()));
  ++map.features.back().ringCount;
}

MapBounds mapBounds(const MapGeometry& map) {
  MapBounds bounds;
  for (const MapPoint& p : map.points) {
    if (bounds.empty) {
      bounds = {p.lon, p.lat, p.lon, p.lat, false};
      continue;
    }
    bounds.west = std::min(bounds.west, p.lon);
    bounds.east = std::max(bounds.east, p.lon);
    bounds.south = std::min(bounds.south, p.lat);
    bounds.north = std::max(bounds.north, p.lat);
  }
  return bounds;
}

Projection fitProjection(const MapBounds& bounds, double boxWidth, double boxHeight) {
  Projection p;
  if (bounds.empty) return p;
  p.west = bounds.west;
  p.north = bounds.north;
  p.lonFactor = lonFactorOf(bounds);
  const double wide = (bounds.east - bounds.west) * p.lonFactor;
  const double tall = bounds.north - bounds.south;
  if (!std::isfinite(wide) || !std::isfinite(tall) || (wide <= 0 && tall <= 0)) return p;
  p.scale = wide <= 0   ? boxHeight / tall
            : tall <= 0 ? boxWidth / wide
                        : std::min(boxWidth / wide, boxHeight / tall);
  p.width = wide * p.scale;
  p.height = tall * p.scale;
  return p;
}

MapGeometry simplifiedMap(const MapGeometry& map, double tolerance) {
  const double factor = lonFactorOf(mapBounds(map));
  MapGeometry result;
  for (const MapFeature& feature : map.features) {
    result.features.push_back({feature.code, ringCount(result), 0});
    for (std::uint32_t r = feature.firstRing; r < feature.firstRing + feature.ringCount; ++r) {
      const std::vector<MapPoint> ring(map.points.begin() + map.ringStart[r],
                                       map.points.begin() + map.ringStart[r + 1]);
      addRing(result, simplifiedRing(ring, tolerance, factor));
    }
  }
  return result;
}

double defaultTolerance(const MapBounds& bounds) {
  if (bounds.empty) return 0;
  const double wide = (bounds.east - bounds.west) * lonFactorOf(bounds);
  return std::max(wide, bounds.north - bounds.south) / 2000;
}
