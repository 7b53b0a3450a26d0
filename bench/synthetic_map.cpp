// Writes a GeoJSON map as detailed as an official boundary file, for timing maps of thousands of
// places: one feature per code of CODES (a text file, one code a line), laid on a grid whose
// corners are shifted and whose edges wind like borders drawn by hand, each edge shared by the
// two cells it parts, so that simplification keeps what it would keep of real ones.
//   synthetic_map CODES PROPERTY OUT.geojson [points per edge]
// The grid covers about 25 by 22 degrees; with 5,600 codes and 50 points per edge the map holds
// 1.1 million points (about 25 MB).
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Point {
  double lon = 0, lat = 0;
};

constexpr double kWest = -60, kSouth = -30, kCell = 0.3125;  // degrees
constexpr double kPi = 3.14159265358979323846;

// A number from 0 to 1 that depends on its inputs alone.
double noise(std::uint64_t a, std::uint64_t b, std::uint64_t salt) {
  std::uint64_t x =
      a * 0x9E3779B97F4A7C15u ^ (b + 0x632BE59BD9B4E019u) * 0xBF58476D1CE4E5B9u ^ salt;
  x ^= x >> 31;
  x *= 0x94D049BB133111EBu;
  x ^= x >> 29;
  return static_cast<double>(x >> 11) / 9007199254740992.0;
}

Point corner(int i, int j) {
  return {kWest + kCell * (i + 0.4 * (noise(i, j, 1) - 0.5)),
          kSouth + kCell * (j + 0.4 * (noise(i, j, 2) - 0.5))};
}

// The points of the edge from `from` to `to`, its last left out: a line bent by two waves that
// vanish at both ends; `seed` names the edge, so that both its cells draw it alike.
std::vector<Point> edge(Point from, Point to, std::uint64_t seed, int points) {
  const double dx = to.lon - from.lon, dy = to.lat - from.lat;
  const double length = std::hypot(dx, dy);
  const double nx = -dy / length, ny = dx / length;
  const double f1 = 1 + std::floor(noise(seed, 0, 3) * 3),
               f2 = 4 + std::floor(noise(seed, 0, 4) * 5);
  const double p1 = noise(seed, 0, 5) * 2 * kPi, p2 = noise(seed, 0, 6) * 2 * kPi;
  std::vector<Point> line;
  for (int k = 0; k < points; ++k) {
    const double t = static_cast<double>(k) / points;
    const double bend = 0.12 * kCell * std::sin(kPi * t) *
                        (std::sin(2 * kPi * f1 * t + p1) + 0.4 * std::sin(2 * kPi * f2 * t + p2));
    line.push_back({from.lon + dx * t + nx * bend, from.lat + dy * t + ny * bend});
  }
  return line;
}

// The edge drawn from `to` to `from`, walked back from `from`, its last point left out.
std::vector<Point> reversedEdge(Point from, Point to, std::uint64_t seed, int points) {
  std::vector<Point> line = edge(to, from, seed, points);
  line.push_back(from);
  return std::vector<Point>(line.rbegin(), line.rend() - 1);
}

void appendPoint(std::string& out, Point p) {
  char text[48];
  std::snprintf(text, sizeof text, "[%.5f,%.5f],", p.lon, p.lat);
  out += text;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "synthetic_map CODES PROPERTY OUT.geojson [points per edge]\n");
    return 2;
  }
  const int points = argc > 4 ? std::atoi(argv[4]) : 50;
  std::vector<std::string> codes;
  std::ifstream list(argv[1]);
  for (std::string code; list >> code;) codes.push_back(code);
  if (codes.empty()) {
    std::fprintf(stderr, "%s: no codes\n", argv[1]);
    return 1;
  }
  const int count = static_cast<int>(codes.size());
  const int columns = static_cast<int>(std::ceil(std::sqrt(count * 80.0 / 70.0)));
  // Horizontal edges are numbered before vertical ones.
  const auto horizontal = [columns](int i, int j) {
    return static_cast<std::uint64_t>(j) * (columns + 1) + i;
  };
  const auto vertical = [columns](int i, int j) {
    return (1ull << 32) + static_cast<std::uint64_t>(j) * (columns + 1) + i;
  };
  std::string out = "{\"type\":\"FeatureCollection\",\"features\":[\n";
  std::size_t total = 0;
  for (int f = 0; f < count; ++f) {
    const int i = f % columns, j = f / columns;
    std::vector<Point> ring = edge(corner(i, j), corner(i + 1, j), horizontal(i, j), points);
    for (const Point& p : edge(corner(i + 1, j), corner(i + 1, j + 1), vertical(i + 1, j), points))
      ring.push_back(p);
    for (const Point& p :
         reversedEdge(corner(i + 1, j + 1), corner(i, j + 1), horizontal(i, j + 1), points))
      ring.push_back(p);
    for (const Point& p : reversedEdge(corner(i, j + 1), corner(i, j), vertical(i, j), points))
      ring.push_back(p);
    ring.push_back(ring.front());
    total += ring.size();
    out += "{\"type\":\"Feature\",\"properties\":{\"" + std::string(argv[2]) + "\":\"" +
           codes[static_cast<std::size_t>(f)] +
           "\"},\"geometry\":{\"type\":\"Polygon\",\"coordinates\":[[";
    for (const Point& p : ring) appendPoint(out, p);
    out.back() = ']';
    out += "]}}";
    out += f + 1 < count ? ",\n" : "\n";
  }
  out += "]}\n";
  std::FILE* file = std::fopen(argv[3], "wb");
  if (file == nullptr || std::fwrite(out.data(), 1, out.size(), file) != out.size() ||
      std::fclose(file) != 0) {
    std::perror(argv[3]);
    return 1;
  }
  std::printf("%s: %d features, %zu points, %zu bytes\n", argv[3], count, total, out.size());
  return 0;
}
