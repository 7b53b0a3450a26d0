// Every line the programs write goes through here, so that each ends with CR LF, and every
// stop of a program on failure writes its one line the same way. The clock is read here too.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string_view>

// Writes `text` and CR LF.
void writeLine(std::FILE* file, std::string_view text);
// Writes `text` with no line end.
void writeText(std::FILE* file, std::string_view text);

// Writes the text (and CR LF) to standard output, flushes, and ends the process with status 1.
[[noreturn]] void stopWithLine(std::string_view text);
[[noreturn]] void stopWithText(std::string_view text);
// A failure the system has no text of its own for: "Erro: " + what, status 1.
[[noreturn]] void runtimeFailure(std::string_view what);

// For harnesses that run a program's code many times in one process (the fuzz targets): when
// set, every stop above calls it with the exit status instead of ending the process, after the
// text is written and flushed. It must not return (it throws or jumps back to the harness).
// The programs never set it, so a stop always ends them.
using StopHandler = void (*)(int status);
extern StopHandler stopHandler;

struct LocalTime {
  int year = 0, month = 0, day = 0;                          // 4-digit year, 1..12, 1..31
  int hour = 0, minute = 0, second = 0, millisecond = 0;     // local time of day
};

// The local date and time. When VORLEX_FIXED_TIME holds "yyyy-mm-dd hh:nn:ss.mmm", that time is
// returned instead, so that runs whose output carries the time can be reproduced.
LocalTime currentTime();
// Seconds since 1970 from the system clock, never the fixed time: what the times of files are
// compared with.
std::int64_t currentFileTime();
