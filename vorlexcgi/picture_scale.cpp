#include "picture_scale.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// Absorbs the error of a division that should land on a whole number of steps.
constexpr double kSlack = 1e-9;

}  // namespace

Ticks roundTicks(double low, double high, int valueDecimals, int wanted) {
  low = std::min(low, 0.0);
  high = std::max(high, 0.0);
  const double finest = std::pow(10.0, -std::max(valueDecimals, 0));
  if (high - low <= 0) high = low + finest;
  const double raw = (high - low) / std::max(wanted, 1);
  const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
  const double norm = raw / magnitude;
  // The nearest of 1, 2, 5 and 10, so that the intervals number about `wanted`.
  double step = (norm < 1.5 ? 1 : norm < 3 ? 2 : norm < 7 ? 5 : 10) * magnitude;
  step = std::max(step, finest);
  const double first = std::floor(low / step + kSlack);
  const double last = std::ceil(high / step - kSlack);
  Ticks ticks;
  ticks.step = step;
  ticks.first = first * step;
  ticks.count = static_cast<int>(last - first) + 1;
  ticks.decimals = std::max(0, static_cast<int>(-std::floor(std::log10(step) + kSlack)));
  return ticks;
}

double scaled(const LinearScale& scale, double value) {
  if (scale.high == scale.low) return scale.from;
  return scale.from + (value - scale.low) / (scale.high - scale.low) * (scale.to - scale.from);
}

ValueClasses quantileClasses(std::vector<double> values, int classes) {
  ValueClasses result;
  if (values.empty() || classes < 1) return result;
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size(), k = static_cast<std::size_t>(classes);
  std::size_t next = 0;  // the first value not yet in a class
  for (std::size_t c = 1; c <= k; ++c) {
    const std::size_t last = (c * n + k - 1) / k - 1;
    if (last < next) continue;
    // Equal values share the class of the first of them.
    std::size_t end = last;
    while (end + 1 < n && values[end + 1] == values[last]) ++end;
    result.lowest.push_back(values[next]);
    result.highest.push_back(values[end]);
    next = end + 1;
    if (next == n) break;
  }
  return result;
}

int classOf(const ValueClasses& classes, double value) {
  for (int k = 0; k < classes.count(); ++k) {
    if (value <= classes.highest[static_cast<std::size_t>(k)]) return k;
  }
  return classes.count() - 1;
}

int paletteStep(int k, int count, int steps) {
  if (count <= 1) return (steps + 1) / 2;
  return 1 + static_cast<int>(std::lround(static_cast<double>(k) * (steps - 1) / (count - 1)));
}

std::string coordinateText(double value) {
  const double tenths = std::round(value * 10);
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", (tenths == 0 ? 0.0 : tenths) / 10);
  std::string result = text;
  if (result.size() > 2 && result.compare(result.size() - 2, 2, ".0") == 0)
    result.resize(result.size() - 2);
  return result;
}
