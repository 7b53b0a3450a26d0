// Which unknowns a system of linear relations pins down. Cell suppression asks it whether a
// reader who knows every published cell could work out a suppressed one by adding and
// subtracting the table's sums, in any combination, not only one relation at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

struct AuditTerm {
  std::size_t unknown = 0;  // 0..unknownCount-1
  int coefficient = 0;      // +1 for a part, -1 for a total; any small integer
};

// fixed[i] is true when every solution of the relations (the known values moved to the
// right-hand side) gives unknown i the same value. The elimination runs modulo a 61-bit prime,
// which is exact for a table's relations: with coefficients of +1 and -1 a pivot could vanish
// modulo the prime only if the prime divided a minor of the system, and a two-way table's minors
// are all 0, 1 or -1. The one random solution that tells fixed from free comes from a fixed
// seed, so every run gives the same answer; its one possible slip (about 2^-61 per unknown) calls
// a free unknown fixed, which only suppresses more.
std::vector<bool> fixedUnknowns(std::size_t unknownCount,
                                const std::vector<std::vector<AuditTerm>>& relations);

// For each target, an unknown the relations fix: weights, one per relation and modulo the
// prime, under which the relations add up to that target alone; and one random dependency among
// the relations (weights under which they add up to nothing), shared by all.
struct Isolation {
  // Per target, (relation, weight) for each relation of non-zero weight; empty for a target that
  // is not fixed, or that the relations tie to another target so that it cannot be isolated on
  // its own.
  std::vector<std::vector<std::pair<std::size_t, std::uint64_t>>> weights;
  std::vector<std::uint64_t> dependency;  // per relation
};
Isolation isolations(std::size_t unknownCount, const std::vector<std::vector<AuditTerm>>& relations,
                     const std::vector<std::size_t>& targets);

// What a cell that became an unknown would add up to under per-relation weights: `column`
// lists its relations (in `unknown`) and its coefficient in each. A cell that the dependency
// gives 0 (w.h.p. every dependency does) and a target's weights do not is taken in by every way
// of isolating the target; if each relation of the cell already holds an unknown, suppressing it
// then frees the target.
std::uint64_t weightOf(const std::vector<std::uint64_t>& weights,
                       const std::vector<AuditTerm>& column);
