// The one file the index builder is writing under a temporary name. If the program ends before
// it is renamed into place (a failure line from the record reader, a full disk, Ctrl-C), the
// half-written file is removed, so that nothing is left beside the data.
#pragma once

#include <string>

// From now on `path` is removed if the process ends; one file at a time.
void removeIfUnfinished(const std::string& path);
// The file was renamed into place or removed already: the exit leaves it alone.
void finishedWriting();
