#include "site_settings.h"

#include <gtest/gtest.h>

#include <cstdlib>

TEST(SiteSettings, PositiveIntegersCountAndAnythingElseKeepsTheDefault) {
  const struct {
    const char* value;  // null: not set
    int cpuSeconds;
    std::int64_t maxCells;
    int copyHours;
  } cases[] = {
      {nullptr, 120, 40000000, 24}, {"30", 30, 30, 30},         {" 7", 7, 7, 7},
      {"", 120, 40000000, 24},      {"0", 120, 40000000, 24},   {"-5", 120, 40000000, 24},
      {"12x", 120, 40000000, 24},   {"1.5", 120, 40000000, 24}, {"99999999999", 120, 40000000, 24},
  };
  for (const auto& c : cases) {
    for (const char* name : {"VORLEX_CPU_SECONDS", "VORLEX_MAX_CELLS", "VORLEX_COPY_HOURS"}) {
      if (c.value == nullptr) {
        ::unsetenv(name);
      } else {
        ::setenv(name, c.value, 1);
      }
    }
    const SiteSettings settings = readSiteSettings();
    const char* shown = c.value == nullptr ? "(not set)" : c.value;
    EXPECT_EQ(c.cpuSeconds, settings.cpuSeconds) << shown;
    EXPECT_EQ(c.maxCells, settings.maxCells) << shown;
    EXPECT_EQ(c.copyHours, settings.copyHours) << shown;
  }
  for (const char* name : {"VORLEX_CPU_SECONDS", "VORLEX_MAX_CELLS", "VORLEX_COPY_HOURS"}) {
    ::unsetenv(name);
  }
}
