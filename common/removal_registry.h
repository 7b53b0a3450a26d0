// Files that must not outlive an interrupted run: the names a request claims for its copies and
// their temporaries, the index seriak is writing. Each is held by a RemovalGuard while
// unfinished: the guard removes it on every way out of its scope but success, and while it is
// registered SIGTERM, SIGINT, SIGPIPE or SIGXCPU remove it too. The storage is fixed, so that
// the signal handler neither allocates nor locks.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

inline constexpr int kRemovalSlots = 16;
inline constexpr std::size_t kRemovalPathMax = 1024;  // bytes of a path, its NUL included

// Registers `path` and returns its slot; -1 when the path is too long or every slot is taken
// (the file is then only not removed by a signal).
int registerForRemoval(std::string_view path);
// Forgets the slot: its file was published under its final name, or removed. -1 is ignored.
void unregisterForRemoval(int slot);
// Removes every registered path and forgets them: what the signals do.
void removeRegisteredPaths();

// The handlers of SIGTERM, SIGINT, SIGPIPE and SIGXCPU: each removes the registered paths and
// ends the process with _exit, status 128 + the signal, or 1 after SIGXCPU, which first writes
// `cpuMessage` (when given) to standard output. The text is copied, cut to 1023 bytes.
void installRemovalOnSignals(std::string_view cpuMessage = {});
// Replaces the text written after SIGXCPU (copied, cut alike), handlers left as they are.
void replaceCpuMessage(std::string_view cpuMessage);

// Holds back the four signals around a write that a handler could not undo halfway (the log
// line and its repair after a short write); a signal that came meanwhile is delivered at
// releaseSignals.
void holdSignals();
void releaseSignals();

// Removes its file when it goes out of scope, unless kept, and has it removed by a signal
// meanwhile: the claimed names and temporaries of a request, the index being written. Keeping it
// (once the file is renamed into place, or is the finished file) leaves the file alone.
struct RemovalGuard {
  std::string path;  // empty: nothing to remove
  int slot = -1;

  RemovalGuard() = default;
  explicit RemovalGuard(std::string file) : path(std::move(file)), slot(registerForRemoval(path)) {}
  RemovalGuard(const RemovalGuard&) = delete;
  RemovalGuard& operator=(const RemovalGuard&) = delete;
  RemovalGuard(RemovalGuard&& other) noexcept : path(std::move(other.path)), slot(other.slot) {
    other.path.clear();
    other.slot = -1;
  }
  // Removes the file it held, then holds the other's.
  RemovalGuard& operator=(RemovalGuard&& other) noexcept;
  ~RemovalGuard();
};

// The file stays: the guard forgets it.
void keepFile(RemovalGuard& guard);
