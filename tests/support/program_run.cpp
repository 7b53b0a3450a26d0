#include "program_run.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

std::string readAll(std::FILE* file) {
  std::string bytes;
  std::rewind(file);
  char buffer[65536];
  std::size_t count = 0;
  while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, count);
  return bytes;
}

int statusOf(int waitStatus) {
  if (WIFEXITED(waitStatus)) return WEXITSTATUS(waitStatus);
  if (WIFSIGNALED(waitStatus)) return 128 + WTERMSIG(waitStatus);
  return -1;
}

int waitFor(pid_t child) {
  int waitStatus = 0;
  while (waitpid(child, &waitStatus, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return statusOf(waitStatus);
}

// Everything the other end writes into the pipe until it closes. Read before the child is waited
// for, so that a long page never blocks the child on a full pipe.
std::string drain(int descriptor) {
  std::string bytes;
  char buffer[65536];
  ssize_t got = 0;
  while ((got = read(descriptor, buffer, sizeof buffer)) != 0) {
    if (got < 0) {
      if (errno == EINTR) continue;
      break;
    }
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
  return bytes;
}

}  // namespace

std::string programPath(const std::string& name) {
  if (name == "seriak") return SERIAK_PATH;
  if (name == "vorlexcgi") return VORLEXCGI_PATH;
  if (name == "formwright") return FORMWRIGHT_PATH;
  return "";
}

ProgramRun runProgram(const std::string& program, const std::vector<std::string>& arguments,
                      const std::vector<std::string>& environment, const std::string& input,
                      const std::string& workDirectory, const std::function<void()>& inChild) {
  ProgramRun run;
  std::FILE* in = std::tmpfile();
  std::FILE* err = std::tmpfile();
  int out[2] = {-1, -1};
  if (in == nullptr || err == nullptr || pipe(out) != 0) {
    run.status = -1;
    run.errors = "cannot make temporary files";
    return run;
  }
  std::fwrite(input.data(), 1, input.size(), in);
  std::fflush(in);
  std::rewind(in);

  std::vector<std::string> environmentCopy = environment;
  for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"}) {
    if (const char* value = std::getenv(name))
      environmentCopy.push_back(std::string(name) + "=" + value);
  }
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (const std::string& entry : environmentCopy) envp.push_back(const_cast<char*>(entry.c_str()));
  envp.push_back(nullptr);

  std::fflush(stdout);
  std::fflush(stderr);
  const pid_t child = fork();
  if (child == 0) {
    dup2(fileno(in), 0);
    dup2(out[1], 1);
    dup2(fileno(err), 2);
    close(out[0]);
    close(out[1]);
    if (chdir(workDirectory.c_str()) != 0) _exit(126);
    if (inChild) inChild();
    alarm(120);  // survives exec: a program that hangs is ended by SIGALRM
    execve(program.c_str(), argv.data(), envp.data());
    _exit(127);
  }
  close(out[1]);
  run.output = drain(out[0]);
  close(out[0]);
  run.status = child < 0 ? -1 : waitFor(child);
  run.errors = readAll(err);
  std::fclose(in);
  std::fclose(err);
  return run;
}

ChildRun runInChild(const std::function<void()>& body) {
  ChildRun run;
  int out[2] = {-1, -1};
  if (pipe(out) != 0) return run;
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    dup2(out[1], 1);
    close(out[0]);
    close(out[1]);
    body();
    std::exit(0);
  }
  close(out[1]);
  run.output = drain(out[0]);
  close(out[0]);
  if (child < 0) return run;
  int waitStatus = 0;
  while (waitpid(child, &waitStatus, 0) < 0) {
    if (errno != EINTR) return run;
  }
  run.exited = WIFEXITED(waitStatus);
  run.status = statusOf(waitStatus);
  return run;
}
