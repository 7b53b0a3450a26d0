// What bounds one request from outside the page flow: the processor time it may use, the removal
// of its unfinished files when a signal ends it, and the answer when memory runs out. main sets
// them up before the request runs; tests and fuzz targets that run requests in their own
// process leave them out.
#pragma once

#include <string>

#include "site_settings.h"

// Limits the processor time to the site's seconds and installs the signal handlers: at the limit
// (SIGXCPU) the page gets a line saying the request took too long and what to choose instead;
// unfinished copies and temporaries go whatever signal ends the request.
void guardRequest(const SiteSettings& settings);
// After an allocation failed: the unfinished files removed, the one line saying memory ran
// out; returns the exit status.
int endForLackOfMemory();
// The page text written when the processor time runs out.
std::string cpuLimitMessage(int seconds);
// The whole program: the site's settings read, the request guarded and answered, the output
// flushed; returns the exit status.
int runGuardedRequest(int argc, char** argv);
