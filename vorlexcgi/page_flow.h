// The request from start to end: form data, definition, page head, dimensions, checks,
// tabulation, derived values, output, copies, closing tags and the monthly log.
#pragma once

#include "state.h"

// The row, column, measure names and format as posted, taken before the definition is read.
void takeEarlyFormFields(TabulationState& state);

// Runs the whole request; returns the exit status.
int runRequest(TabulationState& state, int argc, char** argv);
// Time of day from start to end in milliseconds; one passage of midnight is allowed for.
long requestElapsedMilliseconds(const LocalTime& start, const LocalTime& end);
