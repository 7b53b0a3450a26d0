// Runs a piece of the program in a child process and keeps what it wrote to standard output
// and how it ended, so that tests can check pages byte for byte, including the runs that stop
// the process on purpose.
#pragma once

#include <functional>
#include <string>

struct CapturedRun {
  std::string output;  // standard output, bytes as written
  int exitStatus = -1;  // -1 when the child did not exit normally
};

// `body` runs in a forked child whose working directory is `directory` (unchanged when empty);
// the child exits with status 0 when `body` returns.
CapturedRun captureRun(const std::function<void()>& body, const std::string& directory = "");
