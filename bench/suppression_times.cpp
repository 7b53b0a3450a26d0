// Times the complementary suppression search on tables the size of the largest a site serves:
// 5,600 rows by 10 columns of counts, from few small cells to almost all small, with the rows
// plain or grouped under summary rows (560 groups of 9, each group's summary row left out of the
// totals). Prints, per table, the suppressed cells before and after the search and its time.
//   suppression_times [rows] [columns] [limit]
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "cell_suppression.h"
#include "postprocess.h"
#include "result_model.h"

namespace {

ResultModel table(int rows, int columns, double smallShare, bool grouped, int limit,
                  std::mt19937& random) {
  TabulationState state;
  state.rowCount = rows;
  state.columnCount = columns;
  state.columnActive = true;
  state.measureCount = 1;
  state.measures.assign(2, MeasureSpec{});
  state.rowDimension.categoryNames.assign(static_cast<std::size_t>(rows) + 2, "R");
  state.columnDimension.categoryNames.assign(static_cast<std::size_t>(columns) + 2, "C");
  state.rowDimension.rollUpTarget.assign(static_cast<std::size_t>(rows) + 1, 0);
  state.valueCells.assign(static_cast<std::size_t>(columns) + 2,
                          std::vector<double>(static_cast<std::size_t>(rows) + 2, 0.0));
  std::uniform_real_distribution<double> unit(0, 1);
  int summary = 0;
  for (int r = 1; r <= rows; ++r) {
    const bool isSummary = grouped && (r - 1) % 10 == 0;
    if (isSummary) {
      summary = r;
      state.rowDimension.rollUpTarget[r] = -1;
      continue;  // no records of its own
    }
    if (grouped) state.rowDimension.rollUpTarget[r] = static_cast<std::int16_t>(summary);
    for (int c = 1; c <= columns; ++c) {
      const double u = unit(random);
      if (u < smallShare) {
        state.valueCells[c][r] = 1 + static_cast<int>(unit(random) * (limit - 1));
      } else if (u < smallShare + (1 - smallShare) / 4) {
        state.valueCells[c][r] = 0;
      } else {
        state.valueCells[c][r] = limit + static_cast<int>(unit(random) * 200);
      }
    }
  }
  finishTotals(state);
  state.columnDecimals.assign(static_cast<std::size_t>(columns) + 1, 0);
  state.rowOrder.assign(static_cast<std::size_t>(rows) + 1, 0);
  return resultModel(state);
}

}  // namespace

int main(int argc, char** argv) {
  const int rows = argc > 1 ? std::atoi(argv[1]) : 5600;
  const int columns = argc > 2 ? std::atoi(argv[2]) : 10;
  const int limit = argc > 3 ? std::atoi(argv[3]) : 5;
  std::mt19937 random(5600);
  std::printf("%d rows x %d columns, limit %d\r\n", rows, columns, limit);
  std::printf("%-8s %6s %10s %10s %10s\r\n", "layout", "small", "primary", "final", "seconds");
  for (const bool grouped : {false, true}) {
    for (const double share : {0.01, 0.05, 0.1, 0.2, 0.3, 0.5, 0.7, 0.9}) {
      const ResultModel model = table(rows, columns, share, grouped, limit, random);
      SuppressionInput input{model.values, model.values, {}, {}};
      std::size_t primary = 0;
      for (const double count : model.values) primary += count > 0 && count < limit ? 1 : 0;
      const auto start = std::chrono::steady_clock::now();
      const std::vector<bool> marks = suppressedCells(model, input, limit);
      const double seconds =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      std::size_t final = 0;
      for (const bool m : marks) final += m ? 1 : 0;
      std::printf("%-8s %5.0f%% %10zu %10zu %10.3f\r\n", grouped ? "grouped" : "plain", share * 100,
                  primary, final, seconds);
    }
  }
  return 0;
}
