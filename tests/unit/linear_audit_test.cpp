#include "linear_audit.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string shown(const std::vector<bool>& fixed) {
  std::string text;
  for (const bool f : fixed) text += f ? 'F' : '.';
  return text;
}

}  // namespace

TEST(LinearAudit, TellsFixedUnknownsFromFreeOnes) {
  using Relations = std::vector<std::vector<AuditTerm>>;
  const struct {
    const char* what;
    std::size_t unknowns;
    Relations relations;
    const char* fixed;
  } cases[] = {
      {"no relation", 2, {}, ".."},
      {"alone in a sum", 2, {{{0, 1}}}, "F."},
      {"two in a sum", 2, {{{0, 1}, {1, 1}}}, ".."},
      {"a total and its one part", 2, {{{0, -1}, {1, 1}}}, ".."},
      // Rows {0, 1} and {2, 3}, columns {0, 2} and {1, 3}: the four corners of a rectangle.
      {"rectangle",
       4,
       {{{0, 1}, {1, 1}}, {{2, 1}, {3, 1}}, {{0, 1}, {2, 1}}, {{1, 1}, {3, 1}}},
       "...."},
      // Two rectangles joined by unknown 8 (row 1 with column 2): adding the first rectangle's
      // rows and taking away its columns leaves 8 alone.
      {"bridge",
       9,
       {{{0, 1}, {1, 1}},
        {{2, 1}, {3, 1}, {8, 1}},
        {{0, 1}, {2, 1}},
        {{1, 1}, {3, 1}},
        {{4, 1}, {5, 1}},
        {{6, 1}, {7, 1}},
        {{4, 1}, {6, 1}, {8, 1}},
        {{5, 1}, {7, 1}}},
       "........F"},
      // Unknowns 0 and 1 cancel in one relation and add in the other.
      {"sum and difference", 2, {{{0, 1}, {1, 1}}, {{0, 1}, {1, -1}}}, "FF"},
      {"twice the same relation", 3, {{{0, 1}, {1, 1}}, {{0, 1}, {1, 1}}, {{2, 1}}}, "..F"},
      {"a chain that closes on itself",
       3,
       {{{0, 1}, {1, -1}}, {{1, 1}, {2, -1}}, {{2, 1}, {0, -1}}},
       "..."},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.fixed, shown(fixedUnknowns(c.unknowns, c.relations))) << c.what;
  }
}

TEST(LinearAudit, SameAnswerEveryRunAndAtScale) {
  // A long cycle of 20000 unknowns, each relation tying two neighbours: all free; cut one
  // relation out and add the first unknown alone: everything follows.
  std::vector<std::vector<AuditTerm>> cycle;
  const std::size_t n = 20000;
  for (std::size_t i = 0; i < n; ++i) cycle.push_back({{i, 1}, {(i + 1) % n, -1}});
  const std::vector<bool> free = fixedUnknowns(n, cycle);
  EXPECT_EQ(std::vector<bool>(n, false), free);
  EXPECT_EQ(free, fixedUnknowns(n, cycle));
  cycle.back() = {{0, 1}};
  EXPECT_EQ(std::vector<bool>(n, true), fixedUnknowns(n, cycle));
}
