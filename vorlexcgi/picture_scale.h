// The arithmetic of the pictures below the modern result: the chart's value axis with round
// ticks and the scale that places a value on it, the map's classes, and the text of a
// coordinate in the SVG.
#pragma once

#include <string>
#include <vector>

// Ticks first, first + step, ... (count of them), the step 1, 2 or 5 times a power of ten.
struct Ticks {
  double first = 0, step = 1;
  int count = 0;
  int decimals = 0;  // that the step's text needs
  double last() const { return first + step * (count - 1); }
  double at(int i) const { return first + step * i; }
};
// About `wanted` intervals (from 3 to 8) covering low..high, which always includes 0; the step
// never finer than the values' own decimals, so that counts get whole ticks. A range of nothing
// is one step of those decimals.
Ticks roundTicks(double low, double high, int valueDecimals, int wanted = 5);

// Maps low..high onto from..to.
struct LinearScale {
  double low = 0, high = 1, from = 0, to = 1;
};
double scaled(const LinearScale& scale, double value);

// The classes of a map: class k holds the values lowest[k]..highest[k], both values that occur.
// Quantiles: each class takes about the same number of values, and equal values share a class,
// so that fewer distinct values than classes make fewer classes.
struct ValueClasses {
  std::vector<double> lowest, highest;
  int count() const { return static_cast<int>(highest.size()); }
};
ValueClasses quantileClasses(std::vector<double> values, int classes);
// The class of a value (from 0): the first whose highest value reaches it; -1 without classes.
int classOf(const ValueClasses& classes, double value);
// The colour (1..steps) of class k of `count`, spread over the palette's steps so that two
// classes are told apart as far as the palette allows.
int paletteStep(int k, int count, int steps);

// A coordinate with at most one decimal, without a trailing ".0" (and never "-0").
std::string coordinateText(double value);
