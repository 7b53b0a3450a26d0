// Files that must not outlive an interrupted run: the names a request claims for its copies and
// their temporaries, the index seriak is writing. Each is registered while unfinished; when the
// program stops on a failure (exit) or is ended by SIGTERM, SIGINT, SIGPIPE or SIGXCPU, every
// registered path is removed. The storage is fixed, so that the signal handler neither
// allocates nor locks; a scope guard drives it by registering in its constructor and
// unregistering in its destructor.
#pragma once

#include <cstddef>
#include <string_view>

inline constexpr int kRemovalSlots = 16;
inline constexpr std::size_t kRemovalPathMax = 1024;  // bytes of a path, its NUL included

// Registers `path` and returns its slot; -1 when the path is too long or every slot is taken
// (the file is then only not removed by a signal). The first registration also arranges the
// removal at exit.
int registerForRemoval(std::string_view path);
// Forgets the slot: its file was published under its final name, or removed. -1 is ignored.
void unregisterForRemoval(int slot);
// Removes every registered path and forgets them: what the exit and the signals do.
void removeRegisteredPaths();

// The handlers of SIGTERM, SIGINT, SIGPIPE and SIGXCPU: each removes the registered paths and
// ends the process with _exit, status 128 + the signal, or 1 after SIGXCPU, which first writes
// `cpuMessage` (when given) to standard output. The text is copied, cut to 1023 bytes.
void installRemovalOnSignals(std::string_view cpuMessage = {});

// Holds back the four signals around a write that a handler could not undo halfway (the log
// line and its repair after a short write); a signal that came meanwhile is delivered at
// releaseSignals.
void holdSignals();
void releaseSignals();
