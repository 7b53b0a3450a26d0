// The selection form of one definition: the period list, the row, column, measure and selection
// lists, posting to vorlexcgi.
#pragma once

// Runs the whole generator for the command line; returns the exit status.
int runFormwright(int argc, char** argv);
