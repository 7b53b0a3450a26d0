// The demo's maps. Everything follows from one seed, so the same site always gets the same maps.
#include "site_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "site_files.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
// The country's centre and half sizes, in degrees: open sea, far from any real coast.
constexpr double kCentreLon = -24.0, kCentreLat = -21.0, kHalfWidth = 7.0, kHalfHeight = 5.5;

double cross(PlanePoint o, PlanePoint a, PlanePoint b) {
  return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

// Andrew's monotone chain: the convex hull, counter-clockwise.
Polygon convexHull(Polygon points) {
  std::sort(points.begin(), points.end(),
            [](PlanePoint a, PlanePoint b) { return a.x < b.x || (a.x == b.x && a.y < b.y); });
  Polygon hull(2 * points.size());
  std::size_t k = 0;
  for (std::size_t i = 0; i < points.size(); ++i) {
    while (k >= 2 && cross(hull[k - 2], hull[k - 1], points[i]) <= 0) --k;
    hull[k++] = points[i];
  }
  for (std::size_t i = points.size() - 1, t = k + 1; i > 0; --i) {
    while (k >= t && cross(hull[k - 2], hull[k - 1], points[i - 1]) <= 0) --k;
    hull[k++] = points[i - 1];
  }
  hull.resize(k - 1);
  return hull;
}

Polygon countryOutline(Random& random) {
  Polygon points;
  const double phase = random.unit() * kPi;
  for (int i = 0; i < 48; ++i) {
    const double angle = 2 * kPi * i / 48;
    const double radius = 1 + 0.07 * std::sin(2 * angle + phase) + 0.04 * std::cos(3 * angle);
    points.push_back({kCentreLon + kHalfWidth * radius * std::cos(angle),
                      kCentreLat + kHalfHeight * radius * std::sin(angle)});
  }
  return convexHull(points);
}

bool inside(const Polygon& polygon, PlanePoint p) {
  for (std::size_t i = 0; i < polygon.size(); ++i) {
    if (cross(polygon[i], polygon[(i + 1) % polygon.size()], p) < 0) return false;
  }
  return true;
}

// The Voronoi cell of sites[k] within `bounds`: cut by the bisector with every other site.
Polygon voronoiCell(const Polygon& bounds, const std::vector<PlanePoint>& sites, std::size_t k) {
  Polygon cell = bounds;
  for (std::size_t j = 0; j < sites.size() && !cell.empty(); ++j) {
    if (j == k) continue;
    const PlanePoint middle{(sites[k].x + sites[j].x) / 2, (sites[k].y + sites[j].y) / 2};
    cell = clipByHalfPlane(cell, middle, {sites[k].x - sites[j].x, sites[k].y - sites[j].y});
  }
  return cell;
}

PlanePoint pointInside(const Polygon& polygon, Random& random) {
  double west = polygon[0].x, east = west, south = polygon[0].y, north = south;
  for (const PlanePoint& p : polygon) {
    west = std::min(west, p.x);
    east = std::max(east, p.x);
    south = std::min(south, p.y);
    north = std::max(north, p.y);
  }
  for (;;) {
    const PlanePoint p{west + random.unit() * (east - west),
                       south + random.unit() * (north - south)};
    if (inside(polygon, p)) return p;
  }
}

std::string coordinates(const Polygon& polygon) {
  std::string text = "[[";
  char pair[64];
  for (std::size_t i = 0; i <= polygon.size(); ++i) {
    const PlanePoint& p = polygon[i % polygon.size()];  // closed: the first point again
    std::snprintf(pair, sizeof pair, "%s[%.5f,%.5f]", i ? "," : "", p.x, p.y);
    text += pair;
  }
  return text + "]]";
}

std::string feature(const std::string& code, const std::string& name, const Polygon& polygon) {
  std::string escaped;
  for (const char c : windows1252ToUtf8(name)) {
    if (c == '"' || c == '\\') escaped += '\\';
    escaped += c;
  }
  return "{\"type\":\"Feature\",\"properties\":{\"CODIGO\":\"" + code + "\",\"NOME\":\"" + escaped +
         "\"},\"geometry\":{\"type\":\"Polygon\",\"coordinates\":" + coordinates(polygon) + "}}";
}

std::string collection(const std::vector<std::string>& features) {
  std::string text = "{\"type\":\"FeatureCollection\",\"features\":[\n";
  for (std::size_t i = 0; i < features.size(); ++i)
    text += features[i] + (i + 1 < features.size() ? ",\n" : "\n");
  return text + "]}\n";
}

}  // namespace

Polygon clipByHalfPlane(const Polygon& polygon, PlanePoint a, PlanePoint inward) {
  const auto side = [&](PlanePoint p) { return (p.x - a.x) * inward.x + (p.y - a.y) * inward.y; };
  Polygon result;
  for (std::size_t i = 0; i < polygon.size(); ++i) {
    const PlanePoint p = polygon[i], q = polygon[(i + 1) % polygon.size()];
    const double sp = side(p), sq = side(q);
    if (sp >= 0) result.push_back(p);
    if ((sp >= 0) != (sq >= 0)) {
      const double t = sp / (sp - sq);
      result.push_back({p.x + t * (q.x - p.x), p.y + t * (q.y - p.y)});
    }
  }
  return result;
}

double polygonArea(const Polygon& polygon) {
  double twice = 0;
  for (std::size_t i = 0; i < polygon.size(); ++i) {
    const PlanePoint p = polygon[i], q = polygon[(i + 1) % polygon.size()];
    twice += p.x * q.y - q.x * p.y;
  }
  return twice / 2;
}

SiteGeometry buildSiteGeometry(const SiteModel& model) {
  Random random{19700101};
  SiteGeometry geometry;
  geometry.country = countryOutline(random);
  // Regions side by side from west to east, their states from south to north.
  std::vector<int> perRegion(model.regions.size(), 0);
  std::vector<PlanePoint> seeds;
  for (const State& state : model.states) {
    const int column = state.region, row = perRegion[static_cast<std::size_t>(state.region)]++;
    const double x = kCentreLon + kHalfWidth * (column - 1) * 0.62 + (random.unit() - 0.5) * 1.2;
    const double y = kCentreLat + kHalfHeight * (row - 1) * 0.6 + (random.unit() - 0.5) * 1.0;
    seeds.push_back({x, y});
  }
  for (std::size_t s = 0; s < seeds.size(); ++s) {
    geometry.states.push_back(voronoiCell(geometry.country, seeds, s));
  }
  std::vector<std::vector<std::size_t>> byState(model.states.size());
  for (std::size_t m = 0; m < model.municipalities.size(); ++m) {
    byState[static_cast<std::size_t>(model.municipalities[m].state)].push_back(m);
  }
  geometry.municipalities.resize(model.municipalities.size());
  for (std::size_t s = 0; s < byState.size(); ++s) {
    std::vector<PlanePoint> sites;
    for (std::size_t i = 0; i < byState[s].size(); ++i) {
      sites.push_back(pointInside(geometry.states[s], random));
    }
    for (std::size_t i = 0; i < sites.size(); ++i) {
      geometry.municipalities[byState[s][i]] = voronoiCell(geometry.states[s], sites, i);
    }
  }
  return geometry;
}

std::string statesGeoJson(const SiteModel& model, const SiteGeometry& geometry) {
  std::vector<std::string> features;
  for (std::size_t s = 0; s < model.states.size(); ++s) {
    features.push_back(feature(model.states[s].code, model.states[s].name, geometry.states[s]));
  }
  return collection(features);
}

std::string municipalitiesGeoJson(const SiteModel& model, const SiteGeometry& geometry) {
  std::vector<std::string> features;
  for (std::size_t m = 0; m < model.municipalities.size(); ++m) {
    const Municipality& place = model.municipalities[m];
    features.push_back(feature(place.code, place.name, geometry.municipalities[m]));
  }
  return collection(features);
}
