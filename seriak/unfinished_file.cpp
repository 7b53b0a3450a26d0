#include "unfinished_file.h"

#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace {

// A plain buffer, so that the signal handler reads it without allocating.
char unfinished[4096];

void removeUnfinished() {
  if (unfinished[0] != '\0') unlink(unfinished);
}

void removeAndEnd(int signalNumber) {
  removeUnfinished();
  signal(signalNumber, SIG_DFL);
  raise(signalNumber);
}

}  // namespace

void removeIfUnfinished(const std::string& path) {
  static const bool registered = [] {
    for (int signalNumber : {SIGINT, SIGTERM, SIGHUP}) signal(signalNumber, removeAndEnd);
    return std::atexit(removeUnfinished) == 0;
  }();
  (void)registered;
  // The first byte goes in last, so that a signal arriving meanwhile sees no name at all; a
  // name too long for the buffer could not have been created.
  unfinished[0] = '\0';
  if (path.empty() || path.size() >= sizeof unfinished) return;
  std::memcpy(unfinished + 1, path.data() + 1, path.size() - 1);
  unfinished[path.size()] = '\0';
  unfinished[0] = path[0];
}

void finishedWriting() { unfinished[0] = '\0'; }
