#include "site_settings.h"

#include "text_helpers.h"

namespace {

// The setting's value when it is a positive integer, else `fallback`.
template <typename Number>
Number positiveSetting(const char* name, Number fallback) {
  std::int32_t value = 0;
  if (!tryInteger(getEnv(name), value) || value <= 0) return fallback;
  return static_cast<Number>(value);
}

}  // namespace

SiteSettings readSiteSettings() {
  SiteSettings settings;
  settings.cpuSeconds = positiveSetting("VORLEX_CPU_SECONDS", settings.cpuSeconds);
  settings.maxCells = positiveSetting("VORLEX_MAX_CELLS", settings.maxCells);
  settings.copyHours = positiveSetting("VORLEX_COPY_HOURS", settings.copyHours);
  settings.threads.threads = positiveSetting("VORLEX_THREADS", settings.threads.threads);
  return settings;
}
