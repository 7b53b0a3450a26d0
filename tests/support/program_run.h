// Runs the built programs, or a piece of code that may end the process, in a child process, and
// captures what they write to standard output and how they end. The golden cases use it; any test
// may run the programs or a piece of library code with it.
#pragma once

#include <functional>
#include <string>
#include <vector>

struct ProgramRun {
  std::string output;  // standard output, bytes as written
  std::string errors;  // standard error (sanitizer reports, for the failure message)
  int status = 0;      // exit status; 128 + signal number when a signal ended it
};

// The built program "seriak", "vorlexcgi" or "formwright"; empty for any other name.
std::string programPath(const std::string& name);

// Runs `program` with `arguments` in `workDirectory`, with exactly `environment` ("NAME=value")
// as its environment (sanitizer settings of the test are passed on too), `input` as standard
// input. A run that takes more than two minutes is killed. `inChild`, when given, runs in the
// child just before the program starts (a resource limit, another user); standard output is a
// pipe, so a limit on the size of written files never cuts what is captured.
ProgramRun runProgram(const std::string& program, const std::vector<std::string>& arguments,
                      const std::vector<std::string>& environment, const std::string& input,
                      const std::string& workDirectory, const std::function<void()>& inChild = {});

struct ChildRun {
  bool exited = false;  // ended through exit rather than a signal
  int status = -1;      // exit status; 128 + signal number when a signal ended it
  std::string output;   // everything written to standard output
};

// Runs `body` in a child process with standard output captured, so that code which writes its
// failure line and ends the process can be tested. When `body` returns, the child exits with
// status 0 as a program returning from main would: clean-up registered with atexit runs.
ChildRun runInChild(const std::function<void()>& body);
