// Invented geometry for the demo's invented places: a convex country in the middle of the
// ocean, cut into its states (the Voronoi cells of one seed each, regions side by side) and each
// state into its municipalities (the Voronoi cells of points drawn inside it), so that a state is
// exactly the union of its municipalities and neighbours share their borders.
#pragma once

#include <string>
#include <vector>

#include "site_model.h"

struct PlanePoint {
  double x = 0, y = 0;  // longitude, latitude in degrees
};
using Polygon = std::vector<PlanePoint>;  // convex, counter-clockwise, not closed

struct SiteGeometry {
  Polygon country;
  std::vector<Polygon> states;          // as model.states
  std::vector<Polygon> municipalities;  // as model.municipalities
};

SiteGeometry buildSiteGeometry(const SiteModel& model);

// The part of a convex polygon on the side of the line through `a` towards which `inward`
// points (a x + b y <= c form: points with dot(p - a, inward) >= 0 stay).
Polygon clipByHalfPlane(const Polygon& polygon, PlanePoint a, PlanePoint inward);
double polygonArea(const Polygon& polygon);

// A FeatureCollection (UTF-8) with one Polygon per place: CODIGO and NOME properties.
std::string statesGeoJson(const SiteModel& model, const SiteGeometry& geometry);
std::string municipalitiesGeoJson(const SiteModel& model, const SiteGeometry& geometry);
