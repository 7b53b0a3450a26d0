// Copies are kept for the site's retention period, then removed by the tabulator itself as it
// writes new ones. A sweep runs at most once a minute (a hidden stamp file in the copy directory
// holds the time of the last one) and reads a bounded number of entries, so that no request
// pays for a large directory. Only names the tabulator writes are ever removed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The name of the stamp file in the copy directory.
inline constexpr const char* kSweepStamp = ".limpeza";

// A copy's name: "A", six digits of the time of day, the address as the name holds it (letters,
// digits, ":", "-", "_"; the random part is among them), then ".csv" or ".tab". The names written
// before the random part was added have the same shape.
bool isCopyName(std::string_view name);
// A copy's temporary name: "." + "A" ... + ".tmp".
bool isCopyTemporaryName(std::string_view name);

// Removes from `directory` the copies and copy temporaries last modified more than
// `retentionHours` before `now` (seconds since 1970), unless the last sweep was less than a
// minute before `now`.
void sweepOldCopies(const std::string& directory, int retentionHours, std::int64_t now);
