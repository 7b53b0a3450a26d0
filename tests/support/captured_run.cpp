#include "captured_run.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "test_paths.h"

CapturedRun captureRun(const std::function<void()>& body, const std::string& directory) {
  const std::string outputPath = tempPath("captured-stdout");
  std::fflush(stdout);
  const pid_t child = ::fork();
  if (child == 0) {
    if (std::freopen(outputPath.c_str(), "wb", stdout) == nullptr) ::_exit(99);
    if (!directory.empty() && ::chdir(directory.c_str()) != 0) ::_exit(98);
    body();
    std::fflush(stdout);
    ::_exit(0);
  }
  CapturedRun run;
  int status = 0;
  if (child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status)) {
    run.exitStatus = WEXITSTATUS(status);
  }
  run.output = readFileBytes(outputPath);
  return run;
}
