// Runs a piece of code in a child process with its standard output captured, for the failures
// that end the program (an "Erro: " line and status 1) and for anything else that writes.
#pragma once

#include <functional>
#include <string>

struct ChildRun {
  bool exited = false;  // ended through exit rather than a signal
  int status = -1;      // exit status when `exited`
  std::string output;   // everything written to standard output
};

// The child returns normally with status 0 after `body`.
ChildRun runInChild(const std::function<void()>& body);
