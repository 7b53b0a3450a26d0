// The settings a site gives the tabulator through the environment that its web server passes to
// every CGI run (lighttpd setenv.add-environment, Apache SetEnv, nginx fastcgi_param). A value
// that is not a positive integer is ignored and the default holds.
#pragma once

#include <cstdint>

// How many threads the column path may split a request over.
struct ThreadRule {
  // VORLEX_THREADS: 0 (not set) follows the load average: a request uses the cores that the
  // 1-minute load leaves free, and one thread when none is; 1 turns threads off; N uses up to N
  // whatever the load, for a host whose cores are the tabulator's alone (a benchmark).
  int threads = 0;
  // Fewer threads than this many records each are not worth starting.
  std::int64_t recordsPerThread = std::int64_t{1} << 20;
  std::int32_t blockRecords = 16384;  // records a thread takes at a time
  bool capAtCores = true;             // tests lift it to run more threads than the cores
};

struct SiteSettings {
  // VORLEX_CPU_SECONDS: processor seconds one request may use before it is ended.
  int cpuSeconds = 120;
  // VORLEX_MAX_CELLS: the cells (rows x columns, a measure being a column when no column
  // variable is chosen) a result table may have. A full 5,600 x 5,600 origin-destination table
  // with one measure is 31.4 million cells; at 16 bytes a cell (value and divisor) the default
  // takes 640 MB, so a 24 GB host still runs dozens of such requests at once.
  std::int64_t maxCells = 40000000;
  // VORLEX_COPY_HOURS: how long the downloadable copies are kept.
  int copyHours = 24;
  ThreadRule threads;
};

SiteSettings readSiteSettings();
