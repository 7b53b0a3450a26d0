// The arithmetic of the chart and the map: round ticks, the linear scale, quantile classes and
// their colours, and coordinates as the SVG writes them.
#include "picture_scale.h"

#include <gtest/gtest.h>

TEST(PictureScale, RoundTicksCoverTheValuesAndZero) {
  const struct {
    double low, high;
    int decimals;
    double first, step;
    int count, tickDecimals;
  } cases[] = {
      {0, 87, 0, 0, 20, 6, 0},
      {0, 100, 0, 0, 20, 6, 0},
      {0, 3, 0, 0, 1, 4, 0},
      // Counts get whole ticks; rates with decimals may get halves.
      {0, 2, 0, 0, 1, 3, 0},
      {0, 2, 2, 0, 0.5, 5, 1},
      {0, 0.004, 3, 0, 0.001, 5, 3},
      {-35, 120, 0, -50, 50, 5, 0},
      {-8, -2, 0, -8, 2, 5, 0},
      // Zero always stands on the axis.
      {5, 10, 0, 0, 2, 6, 0},
      {0, 1234567, 0, 0, 200000, 8, 0},
      {0, 1450, 0, 0, 200, 9, 0},
      {0, 1500, 0, 0, 500, 4, 0},
      // Nothing to show: one step of the values' own size.
      {0, 0, 0, 0, 1, 2, 0},
      {0, 0, 2, 0, 0.01, 2, 2},
  };
  for (const auto& c : cases) {
    const Ticks ticks = roundTicks(c.low, c.high, c.decimals);
    const std::string name = std::to_string(c.low) + ".." + std::to_string(c.high);
    EXPECT_NEAR(c.first, ticks.first, 1e-12) << name;
    EXPECT_NEAR(c.step, ticks.step, 1e-12) << name;
    EXPECT_EQ(c.count, ticks.count) << name;
    EXPECT_EQ(c.tickDecimals, ticks.decimals) << name;
    EXPECT_LE(ticks.first, std::min(c.low, 0.0)) << name;
    EXPECT_GE(ticks.last() + 1e-12, std::max(c.high, 0.0)) << name;
  }
}

TEST(PictureScale, LinearScaleMapsTheDomainOntoTheRange) {
  const LinearScale scale{-50, 150, 100, 500};
  EXPECT_EQ(100, scaled(scale, -50));
  EXPECT_EQ(200, scaled(scale, 0));
  EXPECT_EQ(500, scaled(scale, 150));
  EXPECT_EQ(600, scaled(scale, 200));
  EXPECT_EQ(7, scaled({3, 3, 7, 9}, 3));
}

TEST(PictureScale, QuantileClassesKeepEqualValuesTogether) {
  using Pairs = std::vector<std::pair<double, double>>;
  const struct {
    std::vector<double> values;
    Pairs classes;  // lowest and highest of each
  } cases[] = {
      {{10, 9, 8, 7, 6, 5, 4, 3, 2, 1}, {{1, 2}, {3, 4}, {5, 6}, {7, 8}, {9, 10}}},
      {{1, 2, 3, 4, 5, 6, 7}, {{1, 2}, {3, 3}, {4, 5}, {6, 6}, {7, 7}}},
      {{5, 1, 3}, {{1, 1}, {3, 3}, {5, 5}}},
      {{1, 1, 1, 1, 2}, {{1, 1}, {2, 2}}},
      {{4, 4, 4}, {{4, 4}}},
      // A value repeated across a quantile goes wholly to the lower class.
      {{1, 2, 2, 2, 3, 4, 5, 6, 7, 8}, {{1, 2}, {3, 4}, {5, 6}, {7, 8}}},
      {{}, {}},
  };
  for (const auto& c : cases) {
    const ValueClasses classes = quantileClasses(c.values, 5);
    Pairs found;
    for (int k = 0; k < classes.count(); ++k) {
      found.emplace_back(classes.lowest[static_cast<std::size_t>(k)],
                         classes.highest[static_cast<std::size_t>(k)]);
    }
    EXPECT_EQ(c.classes, found) << c.values.size() << " values";
    // Every value falls in the class whose limits hold it.
    for (const double value : c.values) {
      const int k = classOf(classes, value);
      ASSERT_GE(k, 0);
      EXPECT_LE(classes.lowest[static_cast<std::size_t>(k)], value);
      EXPECT_GE(classes.highest[static_cast<std::size_t>(k)], value);
    }
  }
  EXPECT_EQ(-1, classOf(ValueClasses(), 3));
}

TEST(PictureScale, FewerClassesSpreadOverThePalette) {
  const struct {
    int count;
    std::vector<int> steps;
  } cases[] = {{5, {1, 2, 3, 4, 5}}, {4, {1, 2, 4, 5}}, {3, {1, 3, 5}}, {2, {1, 5}}, {1, {3}}};
  for (const auto& c : cases) {
    std::vector<int> steps;
    for (int k = 0; k < c.count; ++k) steps.push_back(paletteStep(k, c.count, 5));
    EXPECT_EQ(c.steps, steps) << c.count;
  }
}

TEST(PictureScale, CoordinatesWithOneDecimalAtMost) {
  const struct {
    double value;
    const char* text;
  } cases[] = {{12, "12"},      {12.34, "12.3"}, {12.36, "12.4"}, {0.06, "0.1"}, {-0.04, "0"},
               {-1.25, "-1.3"}, {720, "720"},    {99.96, "100"},  {1e-9, "0"},   {-3.5, "-3.5"}};
  for (const auto& c : cases) EXPECT_EQ(c.text, coordinateText(c.value)) << c.value;
}
