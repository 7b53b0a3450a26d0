// The ".IXM" index: for one data file sorted by a municipality code, the record range of each
// run of equal codes, so that the tabulator reads only the selected municipalities.
#pragma once

// Runs the whole builder for the command line; returns the exit status.
int runSeriak(int argc, char** argv);
