// The search for complementary suppressions. Counts below the limit are suppressed first; then
// two checks alternate until neither finds anything. The relation check walks every relation
// the table shows and, where one is left with a single suppressed cell, suppresses its smallest
// non-zero published cell; a relation changes at most twice, so this is linear in the table. The
// combination check then asks the linear audit whether the relations taken together still pin
// down a suppressed cell: two blocks of suppressions joined by one cell are each safe alone, yet
// the joining cell follows from adding the rows and taking away the columns of one block. For
// each pinned cell the audit gives the ways of adding relations up to it alone, and the smallest
// published cell that every such way takes in is suppressed: that frees the pinned cell.
#include "cell_suppression.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <queue>

#include "linear_audit.h"

namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

// The summary row (1..rowCount) that a row is also added into, or 0.
int rollTarget(const ResultModel& model, int row) {
  const int target = model.rollUpTarget[row];
  return target >= 1 && target <= model.rowCount && target != row ? target : 0;
}

bool countedInTotals(const ResultModel& model, int row) { return model.rollUpTarget[row] >= 0; }

struct ShownParts {
  std::vector<bool> rows, columns;  // [0..rowCount], [0..columnCount]; 0 is the totals
};

ShownParts shownParts(const ResultModel& model) {
  ShownParts shown;
  shown.rows.assign(static_cast<std::size_t>(model.rowCount) + 1, false);
  shown.columns.assign(static_cast<std::size_t>(model.columnCount) + 1, false);
  shown.rows[0] = model.totalRowShown;
  for (int r = 1; r <= model.rowCount; ++r) shown.rows[r] = rowWritten(model, r);
  shown.columns[0] = totalsColumnWritten(model);
  for (int c = 1; c <= model.columnCount; ++c) shown.columns[c] = columnWritten(model, c);
  return shown;
}

// A relation of one cell only says that the cell is 0, as it shows.
void addRelation(std::vector<CellRelation>& relations, CellRelation relation) {
  if (relation.cells.size() >= 2) relations.push_back(std::move(relation));
}

// The rows the column totals count, at the finest level: counted rows, except those rolled into
// a summary row that is itself counted (the summary already holds them).
std::vector<int> finestRows(const ResultModel& model) {
  std::vector<int> rows;
  for (int r = 1; r <= model.rowCount; ++r) {
    if (!countedInTotals(model, r)) continue;
    const int target = rollTarget(model, r);
    if (target != 0 && countedInTotals(model, target)) continue;
    rows.push_back(r);
  }
  return rows;
}

// The same total at the coarsest level: each row that rolls into a summary row left out of the
// totals is replaced by that summary row. Empty when nothing was replaced.
std::vector<int> coarsestRows(const ResultModel& model, const std::vector<int>& finest) {
  std::vector<bool> taken(static_cast<std::size_t>(model.rowCount) + 1, false);
  bool replaced = false;
  for (const int r : finest) {
    const int target = rollTarget(model, r);
    if (target != 0 && !countedInTotals(model, target)) {
      taken[target] = true;
      replaced = true;
    } else {
      taken[r] = true;
    }
  }
  std::vector<int> rows;
  if (!replaced) return rows;
  for (int r = 1; r <= model.rowCount; ++r) {
    if (taken[r]) rows.push_back(r);
  }
  return rows;
}

// The smallest non-zero published cell not yet suppressed, by its size and then by position;
// failing that, the one of fewest records among those with any (a sum of 0).
struct Candidate {
  std::size_t cell = kNone;
  int tier = 2;  // 0: a non-zero size, 1: records behind a zero size
  double size = 0;

  void consider(std::size_t c, const std::vector<double>& sizes,
                const std::vector<double>& counts) {
    const double magnitude = std::fabs(sizes[c]);
    const int t = magnitude != 0 ? 0 : counts[c] > 0 ? 1 : 2;
    if (t == 2) return;
    const double s = t == 0 ? magnitude : counts[c];
    if (t < tier || (t == tier && (s < size || (s == size && c < cell)))) {
      cell = c;
      tier = t;
      size = s;
    }
  }
};

class Search {
 public:
  Search(const ResultModel& model, const SuppressionInput& input, int limit)
      : model_(model),
        counts_(input.counts),
        sizes_(input.sizes),
        relations_(shownRelations(model, input.kinds)) {
    const std::size_t cells = model.values.size();
    suppressed_.assign(cells, false);
    for (std::size_t c = 0; c < cells; ++c) {
      suppressed_[c] = counts_[c] > 0 && counts_[c] < limit;
    }
    published_ = publishedCells(model);
    seenCell_.assign(cells, false);
    known_.assign(cells, false);
    for (std::size_t c = 0; c < cells && c < input.known.size(); ++c) known_[c] = input.known[c];
    // Each cell's relations, as one flat list.
    relationStart_.assign(cells + 1, 0);
    for (const CellRelation& relation : relations_) {
      for (const std::size_t c : relation.cells) ++relationStart_[c + 1];
    }
    for (std::size_t c = 0; c < cells; ++c) relationStart_[c + 1] += relationStart_[c];
    relationList_.resize(relationStart_[cells]);
    signList_.resize(relationStart_[cells]);
    std::vector<std::size_t> next(relationStart_.begin(), relationStart_.end() - 1);
    for (std::size_t j = 0; j < relations_.size(); ++j) {
      const CellRelation& relation = relations_[j];
      for (std::size_t i = 0; i < relation.cells.size(); ++i) {
        const std::size_t at = next[relation.cells[i]]++;
        relationList_[at] = j;
        signList_[at] = static_cast<int>(i) < relation.totals ? -1 : 1;
      }
    }
  }

  std::vector<bool> run() {
    for (;;) {
      closeRelations();
      const std::vector<std::size_t> pinned = pinnedCells();
      if (pinned.empty() || !addComplements(pinned)) break;
    }
    return suppressed_;
  }

 private:
  const ResultModel& model_;
  const std::vector<double>& counts_;
  const std::vector<double>& sizes_;
  std::vector<CellRelation> relations_;
  std::vector<bool> suppressed_, published_;
  std::vector<bool> known_;  // known to a reader whatever it shows: never an unknown
  std::vector<std::size_t> relationStart_, relationList_;
  std::vector<int> signList_;      // beside relationList_: -1 for a total, 1 for a part
  std::vector<int> suppressedIn_;  // per relation
  // The last audit: its relations over the unknowns, and where cells and relations sit in it.
  std::vector<std::vector<AuditTerm>> system_;
  std::vector<std::size_t> systemRow_;       // per relation; kNone: no unknown in it
  std::vector<std::size_t> unknownOf_;       // per cell; kNone: not an unknown
  std::vector<std::size_t> systemRelation_;  // per system row: its relation
  std::size_t unknownCount_ = 0;
  Isolation isolation_;                 // of the cells the last audit pinned
  mutable std::vector<bool> seenCell_;  // all false between uses

  template <typename Visit>
  void forRelationsOf(std::size_t cell, Visit visit) const {
    for (std::size_t k = relationStart_[cell]; k < relationStart_[cell + 1]; ++k) {
      visit(relationList_[k]);
    }
  }

  bool unknown(std::size_t cell) const { return suppressed_[cell] && !known_[cell]; }
  bool open(std::size_t cell) const { return !suppressed_[cell] && !known_[cell]; }

  Candidate bestIn(const CellRelation& relation) const {
    Candidate best;
    for (const std::size_t c : relation.cells) {
      if (open(c)) best.consider(c, sizes_, counts_);
    }
    return best;
  }

  // Every relation with exactly one suppressed cell gets another, the lowest-numbered relation
  // first, until none is left with one.
  void closeRelations() {
    suppressedIn_.assign(relations_.size(), 0);
    std::priority_queue<std::size_t, std::vector<std::size_t>, std::greater<>> single;
    for (std::size_t j = 0; j < relations_.size(); ++j) {
      for (const std::size_t c : relations_[j].cells) suppressedIn_[j] += unknown(c) ? 1 : 0;
      if (suppressedIn_[j] == 1) single.push(j);
    }
    while (!single.empty()) {
      const std::size_t j = single.top();
      single.pop();
      if (suppressedIn_[j] != 1) continue;
      const Candidate best = bestIn(relations_[j]);
      // Only cells of no records are left: the lone value is then a sum of nothing but what the
      // relation shows as 0 and its records stay hidden; there is nothing more to take.
      if (best.cell == kNone) continue;
      suppressed_[best.cell] = true;
      forRelationsOf(best.cell, [&](std::size_t k) {
        if (++suppressedIn_[k] == 1) single.push(k);
      });
    }
  }

  // Suppressed published cells that the relations fix in combination.
  std::vector<std::size_t> pinnedCells() {
    const int width = model_.columnCount + 1;
    unknownOf_.assign(model_.values.size(), kNone);
    std::vector<std::size_t> cellOf;
    // Column by column, the totals column first: a row relation then pivots on its total, so
    // eliminating it spreads into the totals column's relations alone.
    for (int c = 0; c < width; ++c) {
      for (int r = 0; r <= model_.rowCount; ++r) {
        const std::size_t cell = model_.cellIndex(r, c);
        if (unknown(cell) && published_[cell]) {
          unknownOf_[cell] = cellOf.size();
          cellOf.push_back(cell);
        }
      }
    }
    unknownCount_ = cellOf.size();
    system_.clear();
    systemRelation_.clear();
    systemRow_.assign(relations_.size(), kNone);
    if (cellOf.empty()) return {};
    for (std::size_t j = 0; j < relations_.size(); ++j) {
      const CellRelation& relation = relations_[j];
      std::vector<AuditTerm> terms;
      for (std::size_t i = 0; i < relation.cells.size(); ++i) {
        const std::size_t u = unknownOf_[relation.cells[i]];
        if (u != kNone) terms.push_back({u, static_cast<int>(i) < relation.totals ? -1 : 1});
      }
      if (terms.empty()) continue;
      systemRow_[j] = system_.size();
      systemRelation_.push_back(j);
      system_.push_back(std::move(terms));
    }
    const std::vector<bool> fixed = fixedUnknowns(cellOf.size(), system_);
    std::vector<std::size_t> pinned;
    for (std::size_t i = 0; i < cellOf.size(); ++i) {
      if (fixed[i]) pinned.push_back(cellOf[i]);
    }
    std::sort(pinned.begin(), pinned.end());
    return pinned;
  }

  // A cell's relations in the last audit's system, with its coefficient in each; false when one
  // of its relations holds no unknown yet.
  bool auditColumn(std::size_t cell, std::vector<AuditTerm>& column) const {
    column.clear();
    bool settled = true;
    for (std::size_t k = relationStart_[cell]; k < relationStart_[cell + 1]; ++k) {
      const std::size_t row = systemRow_[relationList_[k]];
      if (row == kNone) {
        settled = false;
      } else {
        column.push_back({row, signList_[k]});
      }
    }
    return settled;
  }

  // Whether every way of isolating a pinned cell takes in a cell with `column`: its target
  // weights (`weights`, per system row) give it a sum, and the dependencies among the relations
  // none.
  bool takenIn(const std::vector<std::uint64_t>& weights,
               const std::vector<AuditTerm>& column) const {
    return weightOf(weights, column) != 0 && weightOf(isolation_.dependency, column) == 0;
  }

  // The smallest published cell that every way of isolating the pinned cell takes in, from the
  // relations its weights name: one whose relations all hold unknowns already frees it by
  // itself and comes first; another frees it once the relation check has covered it in turn.
  std::size_t freeingCell(const std::vector<std::pair<std::size_t, std::uint64_t>>& named,
                          const std::vector<std::uint64_t>& weights) const {
    Candidate settled, other;
    std::vector<AuditTerm> column;
    std::vector<std::size_t> seen;
    for (const auto& [row, weight] : named) {
      for (const std::size_t cell : relations_[systemRelation_[row]].cells) {
        if (seenCell_[cell] || !open(cell) || !published_[cell]) continue;
        seenCell_[cell] = true;
        seen.push_back(cell);
        const bool alone = auditColumn(cell, column);
        if (takenIn(weights, column)) (alone ? settled : other).consider(cell, sizes_, counts_);
      }
    }
    for (const std::size_t cell : seen) seenCell_[cell] = false;
    return settled.cell != kNone ? settled.cell : other.cell;
  }

  // One more suppressed cell for each pinned cell that this round's earlier choices have not
  // freed already: the freeing cell, or failing one the nearest candidate. Every round
  // suppresses more, so the search ends.
  bool addComplements(const std::vector<std::size_t>& pinned) {
    std::vector<std::size_t> chosen, targets;
    std::vector<AuditTerm> column;
    for (const std::size_t cell : pinned) targets.push_back(unknownOf_[cell]);
    isolation_ = isolations(unknownCount_, system_, targets);
    std::vector<std::uint64_t> weights(system_.size(), 0);
    for (std::size_t p = 0; p < pinned.size(); ++p) {
      const auto& named = isolation_.weights[p];
      for (const auto& [row, weight] : named) weights[row] = weight;
      bool freed = false;
      for (const std::size_t c : chosen) {
        auditColumn(c, column);
        freed = freed || (!named.empty() && takenIn(weights, column));
      }
      std::size_t next = freed || named.empty() ? kNone : freeingCell(named, weights);
      for (const auto& [row, weight] : named) weights[row] = 0;
      if (freed) continue;
      if (next == kNone) next = nearestCandidate(pinned[p]);
      if (next == kNone) continue;
      suppressed_[next] = true;
      chosen.push_back(next);
    }
    return !chosen.empty();
  }

  // The smallest candidate of the relations nearest to a cell: its own, then those reached
  // through the suppressed cells they hold, and so on. None when every relation so reached holds
  // only suppressed cells and zeros.
  std::size_t nearestCandidate(std::size_t start) const {
    std::vector<bool> seenCell(model_.values.size(), false), seenRelation(relations_.size(), false);
    std::vector<std::size_t> layer{start};
    seenCell[start] = true;
    while (!layer.empty()) {
      Candidate best;
      std::vector<std::size_t> next;
      for (const std::size_t cell : layer) {
        forRelationsOf(cell, [&](std::size_t k) {
          if (seenRelation[k]) return;
          seenRelation[k] = true;
          const Candidate found = bestIn(relations_[k]);
          if (found.cell != kNone) best.consider(found.cell, sizes_, counts_);
          for (const std::size_t c : relations_[k].cells) {
            if (unknown(c) && !seenCell[c]) {
              seenCell[c] = true;
              next.push_back(c);
            }
          }
        });
      }
      if (best.cell != kNone) return best.cell;
      layer = std::move(next);
    }
    return kNone;
  }
};

}  // namespace

std::vector<bool> publishedCells(const ResultModel& model) {
  const ShownParts shown = shownParts(model);
  std::vector<bool> published(model.values.size(), false);
  for (int r = 0; r <= model.rowCount; ++r) {
    for (int c = 0; c <= model.columnCount; ++c) {
      published[model.cellIndex(r, c)] = shown.rows[r] && shown.columns[c];
    }
  }
  return published;
}

std::vector<CellRelation> shownRelations(const ResultModel& model, RelationKinds kinds) {
  const ShownParts shown = shownParts(model);
  std::vector<CellRelation> relations;
  auto acrossRows = [&](int column, int total, const std::vector<int>& rows) {
    CellRelation relation;
    relation.totals = total >= 0 && shown.rows[total] ? 1 : 0;
    if (relation.totals == 1) relation.cells.push_back(model.cellIndex(total, column));
    for (const int r : rows) {
      if (shown.rows[r]) relation.cells.push_back(model.cellIndex(r, column));
    }
    addRelation(relations, std::move(relation));
  };

  if (kinds.rowSums && shown.columns[0]) {
    for (int r = 0; r <= model.rowCount; ++r) {
      if (!shown.rows[r]) continue;
      CellRelation relation;
      relation.cells.push_back(model.cellIndex(r, 0));
      for (int c = 1; c <= model.columnCount; ++c) {
        if (shown.columns[c]) relation.cells.push_back(model.cellIndex(r, c));
      }
      addRelation(relations, std::move(relation));
    }
  }

  if (!kinds.columnSums) return relations;
  // A hidden summary row is a known 0: its rows still sum to it.
  std::vector<std::vector<int>> children(static_cast<std::size_t>(model.rowCount) + 1);
  for (int r = 1; r <= model.rowCount; ++r) {
    const int target = rollTarget(model, r);
    if (target != 0) children[target].push_back(r);
  }
  for (int t = 1; t <= model.rowCount; ++t) {
    if (children[t].empty()) continue;
    for (int c = 0; c <= model.columnCount; ++c) {
      if (shown.columns[c]) acrossRows(c, t, children[t]);
    }
  }

  if (shown.rows[0]) {
    const std::vector<int> finest = finestRows(model);
    const std::vector<int> coarsest = coarsestRows(model, finest);
    for (int c = 0; c <= model.columnCount; ++c) {
      if (!shown.columns[c]) continue;
      acrossRows(c, 0, finest);
      if (!coarsest.empty()) acrossRows(c, 0, coarsest);
    }
  }
  return relations;
}

std::vector<bool> suppressedCells(const ResultModel& model, const SuppressionInput& input,
                                  int limit) {
  return Search(model, input, limit).run();
}
