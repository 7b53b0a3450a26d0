#include "page_flow.h"

#include <gtest/gtest.h>

TEST(PageFlow, ElapsedTimeCountsOneMidnight) {
  const struct {
    LocalTime start, end;
    long milliseconds;
  } cases[] = {
      {{2024, 3, 5, 14, 30, 15, 250}, {2024, 3, 5, 14, 30, 15, 250}, 0},
      {{2024, 3, 5, 14, 30, 15, 250}, {2024, 3, 5, 14, 31, 0, 10}, 44760},
      {{2024, 3, 5, 23, 59, 59, 900}, {2024, 3, 6, 0, 0, 0, 100}, 200},
      {{2024, 3, 5, 9, 0, 0, 0}, {2024, 3, 5, 10, 0, 0, 0}, 3600000},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.milliseconds, requestElapsedMilliseconds(c.start, c.end))
        << c.start.hour << ":" << c.start.minute << " to " << c.end.hour << ":" << c.end.minute;
  }
}
