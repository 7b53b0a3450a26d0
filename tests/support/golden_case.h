// The end-to-end cases under tests/golden/: one folder per case, run in a fresh copy and
// compared byte for byte with its expected/ folder (the format is in tests/golden/README.md).
// The pieces are here so that other tests can build a fixture or run a case directly.
#pragma once

#include <string>
#include <vector>

#include "program_run.h"

struct GoldenCase {
  std::string name;
  std::string folder;   // tests/golden/<name>/, ending in "/"
  std::string program;  // path of the built program
  std::vector<std::string> arguments;
  std::vector<std::string> environment;  // "NAME=value"
  std::string input;                     // standard input
  std::vector<std::string> masks;        // regular expressions of time-derived text
};

// The folder that holds the cases, ending in "/".
std::string goldenFolder();
// Names of the case folders (those with a "command" file), in ascending byte order.
std::vector<std::string> goldenCaseNames();
// Reads the case's command, env, stdin and mask files. False with `error` when malformed.
bool loadGoldenCase(const std::string& name, GoldenCase& goldenCase, std::string& error);

// Lays out the case's site in `workDirectory`: the shared base site its "base" file names (a
// folder of tests/golden/base/), then the case's own inputs (everything but command, env, stdin,
// mask, base and expected/) over it, writing each "X.dbf.txt" as the table "X.dbf".
bool makeFixture(const std::string& caseFolder, const std::string& workDirectory,
                 std::string& error);

// The first line where the two texts differ, both versions shown with CR and other control or
// 8-bit bytes visible; empty when equal.
std::string firstDifference(const std::string& expected, const std::string& actual);

struct CaseRun {
  ProgramRun run;
  std::vector<std::string> failures;  // one text per difference; empty when the case passes
};

// Runs one case in a fresh directory and compares (or, with UPDATE_GOLDEN=1 in the environment,
// rewrites expected/). A differing output is kept beside its golden file as "<name>.actual".
CaseRun runGoldenCase(const std::string& name);
