// Every line the programs write goes through here, so that each ends with CR LF. The clock is
// read here too.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "failure.h"

// Writes `text` and CR LF.
void writeLine(std::FILE* file, std::string_view text);
// `text` and CR LF, as a line inside a longer text (a failure of several lines).
std::string lineOf(std::string_view text);
// Writes `text` with no line end. A write that fails (a full disk, a client gone) leaves the
// stream's error flag set, and later writes fail alike: whoever owns the stream asks
// writeFailure once it has written everything.
void writeText(std::FILE* file, std::string_view text);
// "Erro: falha ao gravar arquivo" when a write to `file` has failed so far; empty otherwise.
Status writeFailure(std::FILE* file);
// Writes the failure's text to standard output, CR LF after it when it has its line end, and
// returns the exit status it ends the program with: what a program's top level does with it.
int endWith(const Failure& failure);
// The exit status of a run that ends normally: 1 when its standard output could not be written
// whole (there is no one left to tell), else 0.
int finishOutput();

struct LocalTime {
  int year = 0, month = 0, day = 0;                       // 4-digit year, 1..12, 1..31
  int hour = 0, minute = 0, second = 0, millisecond = 0;  // local time of day
};

// The last two digits of `value` (0..): "07" for 7, "24" for 2024.
std::string twoDigits(int value);

// The local date and time. When VORLEX_FIXED_TIME holds "yyyy-mm-dd hh:nn:ss.mmm", that time is
// returned instead, so that runs whose output carries the time can be reproduced.
LocalTime currentTime();
// Seconds since 1970 from the system clock, never the fixed time: what the times of files are
// compared with.
std::int64_t currentFileTime();
