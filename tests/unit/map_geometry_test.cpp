// The map's projection onto the page and the simplification of its rings.
#include "map_geometry.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

MapGeometry oneFeature(const std::vector<std::vector<MapPoint>>& rings) {
  MapGeometry map;
  map.features.push_back({"1", 0, 0});
  for (const auto& ring : rings) addRing(map, ring);
  return map;
}

std::vector<MapPoint> ringOf(const MapGeometry& map, std::uint32_t r) {
  return {map.points.begin() + map.ringStart[r], map.points.begin() + map.ringStart[r + 1]};
}

}  // namespace

TEST(MapGeometry, ProjectionKeepsProportionsAtTheMapsCentreLatitude) {
  const double cos60 = std::cos(60 * 3.14159265358979323846 / 180);
  const struct {
    MapBounds bounds;
    double boxWidth, boxHeight;
    double width, height, lonFactor;
  } cases[] = {
      // At 60 degrees a degree of longitude is half one of latitude: 20 by 10 degrees is square.
      {{0, 55, 20, 65, false}, 100, 100, 100, 100, cos60},
      // The box's narrower side decides the scale.
      {{0, 55, 20, 65, false}, 300, 50, 50, 50, cos60},
      {{-10, -5, 10, 5, false}, 400, 400, 400, 200, 1},
      // A line of points along a meridian still fills the box's height.
      {{3, 0, 3, 10, false}, 100, 50, 0, 50, std::cos(5 * 3.14159265358979323846 / 180)},
      {{}, 100, 100, 0, 0, 1},
  };
  for (const auto& c : cases) {
    const Projection p = fitProjection(c.bounds, c.boxWidth, c.boxHeight);
    EXPECT_NEAR(c.width, p.width, 1e-9) << c.bounds.west << " " << c.bounds.south;
    EXPECT_NEAR(c.height, p.height, 1e-9) << c.bounds.west << " " << c.bounds.south;
    EXPECT_NEAR(c.lonFactor, p.lonFactor, 1e-12);
    if (c.bounds.empty) continue;
    // The north-west corner is the origin; the south-east one the far corner.
    EXPECT_NEAR(0, projectX(p, c.bounds.west), 1e-9);
    EXPECT_NEAR(0, projectY(p, c.bounds.north), 1e-9);
    EXPECT_NEAR(p.width, projectX(p, c.bounds.east), 1e-9);
    EXPECT_NEAR(p.height, projectY(p, c.bounds.south), 1e-9);
  }
}

TEST(MapGeometry, BoundsAndRingsOfFewerThanThreePointsLeftOut) {
  MapGeometry map = oneFeature({{{1, 2}, {3, -4}, {-5, 6}}, {{9, 9}, {10, 10}}});
  EXPECT_EQ(1u, ringCount(map));
  EXPECT_EQ(1u, map.features[0].ringCount);
  const MapBounds bounds = mapBounds(map);
  EXPECT_EQ(-5, bounds.west);
  EXPECT_EQ(3, bounds.east);
  EXPECT_EQ(-4, bounds.south);
  EXPECT_EQ(6, bounds.north);
  EXPECT_TRUE(mapBounds(MapGeometry()).empty);
}

TEST(MapGeometry, SimplificationDropsWhatTheToleranceHides) {
  // A square with a point on each side's middle, and a notch of 0.1 on the top side.
  const std::vector<MapPoint> square = {{0, 0},  {5, 0},   {10, 0}, {10, 5}, {10, 10},
                                        {6, 10}, {5, 9.9}, {4, 10}, {0, 10}, {0, 5}};
  const struct {
    double tolerance;
    std::size_t points;
  } cases[] = {{0, 7}, {0.09, 5}, {0.5, 4}, {100, 3}};
  for (const auto& c : cases) {
    const MapGeometry simple = simplifiedMap(oneFeature({square}), c.tolerance);
    ASSERT_EQ(1u, ringCount(simple));
    EXPECT_EQ(c.points, simple.points.size()) << "tolerance " << c.tolerance;
  }
  // The corners stay, in their order.
  const MapGeometry simple = simplifiedMap(oneFeature({square}), 0.5);
  const std::vector<MapPoint> ring = ringOf(simple, 0);
  const double expected[][2] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(expected[i][0], ring[i].lon);
    EXPECT_EQ(expected[i][1], ring[i].lat);
  }
}

TEST(MapGeometry, SimplificationKeepsEveryFeatureAndRing) {
  MapGeometry map =
      oneFeature({{{0, 0}, {1, 0}, {1, 1}, {0, 1}}, {{5, 5}, {5.001, 5}, {5, 5.001}}});
  map.features.push_back({"2", ringCount(map), 0});
  addRing(map, {{20, 20}, {20.0001, 20}, {20.0002, 20.0001}, {20, 20.0001}});
  const MapGeometry simple = simplifiedMap(map, 0.5);
  ASSERT_EQ(2u, simple.features.size());
  EXPECT_EQ("2", simple.features[1].code);
  EXPECT_EQ(2u, simple.features[0].ringCount);
  EXPECT_EQ(1u, simple.features[1].ringCount);
  // A ring far smaller than the tolerance keeps a triangle.
  EXPECT_EQ(3u, ringOf(simple, 2).size());
}

TEST(MapGeometry, ToleranceMeasuresLongitudesAsTheProjectionShrinksThem) {
  // Near 60 degrees, the west side's bulge of 0.6 degrees of longitude is 0.3 on the page.
  const std::vector<MapPoint> ring = {{0, 60}, {20, 60}, {20, 61}, {0, 61}, {-0.6, 60.5}};
  EXPECT_EQ(4u, simplifiedMap(oneFeature({ring}), 0.4).points.size());
  EXPECT_EQ(5u, simplifiedMap(oneFeature({ring}), 0.2).points.size());
  EXPECT_NEAR(0.01, defaultTolerance({0, 0, 20, 10, false}), 1e-4);
}
