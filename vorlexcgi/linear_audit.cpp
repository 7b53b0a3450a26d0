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

}  // namespace

std::vector<bool> fixedUnknowns(std::size_t unknownCount,
                                const std::vector<std::vector<AuditTerm>>& relations) {
  constexpr std::size_t kNone = static_cast<std::size_t>(-1);
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

  // Free unknowns take random values; each pivot then follows from its row, the last row first.
  std::vector<std::uint64_t> solution(unknownCount, 0);
  std::uint64_t seed = 0x5EC12E7ULL;
  for (std::size_t i = 0; i < unknownCount; ++i) {
    if (rowOf[i] == kNone) solution[i] = 1 + nextRandom(seed) % (kPrime - 1);
  }
  for (std::size_t k = rows.size(); k-- > 0;) {
    std::uint64_t rest = 0;
    for (const Term& term : rows[k].terms) {
      if (term.unknown != rows[k].pivot) {
        rest = reduced(static_cast<unsigned __int128>(rest) +
                       product(term.value, solution[term.unknown]));
      }
    }
    solution[rows[k].pivot] = difference(0, rest);
  }
  std::vector<bool> fixed(unknownCount);
  for (std::size_t i = 0; i < unknownCount; ++i) fixed[i] = solution[i] == 0;
  return fixed;
}
