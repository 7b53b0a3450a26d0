#include "child_run.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "test_paths.h"

ChildRun runInChild(const std::function<void()>& body) {
  const std::string outputPath = tempPath("child-stdout");
  std::fflush(nullptr);
  ChildRun run;
  const pid_t child = fork();
  if (child == 0) {
    if (std::freopen(outputPath.c_str(), "wb", stdout) == nullptr) _exit(99);
    body();
    std::fflush(stdout);
    std::exit(0);
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child) return run;
  run.exited = WIFEXITED(status);
  run.status = run.exited ? WEXITSTATUS(status) : -1;
  run.output = readFileBytes(outputPath);
  return run;
}
