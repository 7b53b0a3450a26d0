#include "linear_audit.h"

#include <gtest/gtest.h>

#include <cstdint>
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

TEST(LinearAudit, IsolationsNameTheCellsThatFreeATarget) {
  // The bridge again: rows r0 {0, 1}, r1 {2, 3, 8}, r2 {4, 5}, r3 {6, 7}; columns c0 {0, 2},
  // c1 {1, 3}, c2 {4, 6, 8}, c3 {5, 7}. Unknown 8 joins the two rectangles.
  std::vector<std::vector<AuditTerm>> relations = {
      {{0, 1}, {1, 1}}, {{2, 1}, {3, 1}, {8, 1}}, {{0, 1}, {2, 1}},         {{1, 1}, {3, 1}},
      {{4, 1}, {5, 1}}, {{6, 1}, {7, 1}},         {{4, 1}, {6, 1}, {8, 1}}, {{5, 1}, {7, 1}}};
  const Isolation isolation = isolations(9, relations, {8, 0});
  ASSERT_EQ(2u, isolation.weights.size());
  EXPECT_TRUE(isolation.weights[1].empty());  // unknown 0 is free
  std::vector<std::uint64_t> weights(relations.size(), 0);
  for (const auto& [relation, weight] : isolation.weights[0]) weights[relation] = weight;

  const struct {
    const char* what;
    std::vector<AuditTerm> column;  // a published cell's relations, as a new unknown 9
    bool frees;
  } cases[] = {
      {"row r1 with column c3: reaches the other rectangle", {{1, 1}, {7, 1}}, true},
      {"row r0 with column c1: stays inside the first", {{0, 1}, {3, 1}}, false},
      {"row r2 with column c0", {{4, 1}, {2, 1}}, true},
  };
  for (const auto& c : cases) {
    const bool takenIn =
        weightOf(weights, c.column) != 0 && weightOf(isolation.dependency, c.column) == 0;
    EXPECT_EQ(c.frees, takenIn) << c.what;
    std::vector<std::vector<AuditTerm>> joined = relations;
    for (const AuditTerm& term : c.column) joined[term.unknown].push_back({9, term.coefficient});
    EXPECT_EQ(!c.frees, fixedUnknowns(10, joined)[8]) << c.what;
  }
}
