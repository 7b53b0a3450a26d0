// Gaussian elimination modulo 2^61 - 1 over sparse relations, then one random solution of the
// homogeneous system: an unknown that is 0 in it is the same in every solution.
#include "linear_audit.h"

#include <cstdint>
#include <functional>
#include <queue>

namespace {

constexpr std::uint64_t kPrime = (std::uint64_t{1} << 61) - 1;

std::uint64_t reduced(unsigned __int128 value) {
  // 2^61 = 1 modulo the prime, so the high bits fold onto the low ones.
  std::uint64_t folded =
      static_cast<std::uint64_t>(value & kPrime) + static_cast<std::uint64_t>(value >> 61);
  folded = (folded & kPrime) + (folded >> 61);
  return folded >= kPrime ? folded - kPrime : folded;
}

std::uint64_t product(std::uint64_t a, std::uint64_t b) {
  return reduced(static_cast<unsigned __int128>(a) * b);
}

std::uint64_t difference(std::uint64_t a, std::uint64_t b) {
  return a >= b ? a - b : a + kPrime - b;
}

std::uint64_t inverse(std::uint64_t a) {
  std::uint64_t result = 1, power = a;
  for (std::uint64_t e = kPrime - 2; e != 0; e >>= 1) {
    if (e & 1) result = product(result, power);
    power = product(power, power);
  }
  return result;
}

std::uint64_t residue(int coefficient) {
  return coefficient >= 0
             ? static_cast<std::uint64_t>(coefficient)
             : kPrime - static_cast<std::uint64_t>(-static_cast<std::int64_t>(coefficient));
}

struct Term {
  std::size_t unknown;
  std::uint64_t value;
};

// An echelon row, scaled so that its pivot's coefficient is 1. It holds no pivot of an earlier
// row, so reducing by rows in the order they were made never comes back to one.
struct PivotRow {
  std::size_t pivot;
  std::vector<Term> terms;
};

std::uint64_t nextRandom(std::uint64_t& state) {
  std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

struct Echelon {
  std::size_t unknownCount = 0;
  std::vector<PivotRow> rows;
  std::vector<std::size_t> rowOf;  // per unknown: its pivot row, or kNone
};

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

Echelon eliminate(std::size_t unknownCount, const std::vector<std::vector<AuditTerm>>& relations) {
  std::vector<PivotRow> rows;
  std::vector<std::size_t> rowOf(unknownCount, kNone);
  std::vector<std::uint64_t> sum(unknownCount, 0);
  std::vector<bool> touched(unknownCount, false), queued(unknownCount, false);
  std::vector<std::size_t> touchedList;
  std::priority_queue<std::size_t, std::vector<std::size_t>, std::greater<>> pending;

  auto touch = [&](std::size_t unknown) {
    if (!touched[unknown]) {
      touched[unknown] = true;
      touchedList.push_back(unknown);
    }
    if (rowOf[unknown] != kNone && !queued[unknown]) {
      queued[unknown] = true;
      pending.push(rowOf[unknown]);
    }
  };

  for (const std::vector<AuditTerm>& relation : relations) {
    for (const AuditTerm& term : relation) {
      sum[term.unknown] =
          reduced(static_cast<unsigned __int128>(sum[term.unknown]) + residue(term.coefficient));
      touch(term.unknown);
    }
    while (!pending.empty()) {
      const PivotRow& row = rows[pending.top()];
      pending.pop();
      const std::uint64_t factor = sum[row.pivot];
      if (factor == 0) continue;
      for (const Term& term : row.terms) {
        sum[term.unknown] = difference(sum[term.unknown], product(factor, term.value));
        touch(term.unknown);
      }
    }
    PivotRow row{kNone, {}};
    for (const std::size_t unknown : touchedList) {
      if (sum[unknown] != 0) {
        row.terms.push_back({unknown, sum[unknown]});
        // The lowest-numbered unknown becomes the pivot: callers number first the cells whose
        // elimination spreads least.
        if (row.pivot == kNone || unknown < row.pivot) row.pivot = unknown;
      }
      sum[unknown] = 0;
      touched[unknown] = false;
      queued[unknown] = false;
    }
    touchedList.clear();
    if (row.pivot == kNone) continue;  // a consequence of the relations before it
    std::uint64_t scale = 0;
    for (const Term& term : row.terms) {
      if (term.unknown == row.pivot) scale = inverse(term.value);
    }
    for (Term& term : row.terms) term.value = product(term.value, scale);
    rowOf[row.pivot] = rows.size();
    rows.push_back(std::move(row));
  }

  return {unknownCount, std::move(rows), std::move(rowOf)};
}

// A solution of the homogeneous relations. Free unknowns from `first` on take `given`, in
// order; those before take random values, or 0 when `random` is false. With random values an
// unknown is 0 exactly when it is 0 in every solution, but for a chance of about 2^-61.
std::vector<std::uint64_t> solution(const Echelon& echelon, bool random, std::size_t first = 0,
                                    const std::vector<std::uint64_t>& given = {}) {
  std::vector<std::uint64_t> values(echelon.unknownCount, 0);
  std::uint64_t seed = 0x5EC12E7ULL;
  for (std::size_t i = 0; i < echelon.unknownCount; ++i) {
    if (echelon.rowOf[i] != kNone) continue;
    if (i >= first && i - first < given.size()) {
      values[i] = given[i - first];
    } else if (random) {
      values[i] = 1 + nextRandom(seed) % (kPrime - 1);
    }
  }
  // Each pivot follows from its row, the last row first.
  for (std::size_t k = echelon.rows.size(); k-- > 0;) {
    const PivotRow& row = echelon.rows[k];
    std::uint64_t rest = 0;
    for (const Term& term : row.terms) {
      if (term.unknown != row.pivot) {
        rest = reduced(static_cast<unsigned __int128>(rest) +
                       product(term.value, values[term.unknown]));
      }
    }
    values[row.pivot] = difference(0, rest);
  }
  return values;
}

}  // namespace

std::vector<bool> fixedUnknowns(std::size_t unknownCount,
                                const std::vector<std::vector<AuditTerm>>& relations) {
  const std::vector<std::uint64_t> values = solution(eliminate(unknownCount, relations), true);
  std::vector<bool> fixed(unknownCount);
  for (std::size_t i = 0; i < unknownCount; ++i) fixed[i] = values[i] == 0;
  return fixed;
}

Isolation isolations(std::size_t unknownCount, const std::vector<std::vector<AuditTerm>>& relations,
                     const std::vector<std::size_t>& targets) {
  // Weights w with, for every unknown u, the sum over relations of w * coefficient(u) equal to 0,
  // or to 1 for one target: homogeneous in the weights and one more unknown per target standing
  // for its 1. Those come last, so they are left free, and one elimination serves every target.
  const std::size_t ones = relations.size();
  std::vector<std::vector<AuditTerm>> columns(unknownCount);
  for (std::size_t k = 0; k < relations.size(); ++k) {
    for (const AuditTerm& term : relations[k]) {
      columns[term.unknown].push_back({k, term.coefficient});
    }
  }
  for (std::size_t t = 0; t < targets.size(); ++t) columns[targets[t]].push_back({ones + t, -1});
  const Echelon echelon = eliminate(ones + targets.size(), columns);
  Isolation isolation;
  isolation.dependency = solution(echelon, true, ones, std::vector<std::uint64_t>(targets.size()));
  isolation.dependency.resize(ones);
  isolation.weights.resize(targets.size());
  std::vector<std::uint64_t> given(targets.size(), 0);
  for (std::size_t t = 0; t < targets.size(); ++t) {
    given[t] = 1;
    // The free weights at 0: few relations take part.
    const std::vector<std::uint64_t> w = solution(echelon, false, ones, given);
    given[t] = 0;
    // A target whose 1 the others decide (a pivot) cannot be set alone: left empty.
    bool exact = true;
    for (std::size_t u = 0; u < targets.size(); ++u) exact = exact && w[ones + u] == (u == t);
    if (!exact) continue;
    for (std::size_t k = 0; k < ones; ++k) {
      if (w[k] != 0) isolation.weights[t].push_back({k, w[k]});
    }
  }
  return isolation;
}

std::uint64_t weightOf(const std::vector<std::uint64_t>& weights,
                       const std::vector<AuditTerm>& column) {
  std::uint64_t sum = 0;
  for (const AuditTerm& term : column) {
    sum = reduced(static_cast<unsigned __int128>(sum) +
                  product(weights[term.unknown], residue(term.coefficient)));
  }
  return sum;
}
