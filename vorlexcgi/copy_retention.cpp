#include "copy_retention.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::int64_t kSweepInterval = 60;
// A sweep reads at most this many entries and removes at most this many files. A removed copy
// leaves room for the next, so a directory larger than this is cleared over several sweeps.
constexpr int kMaxExamined = 20000;
constexpr int kMaxRemoved = 2000;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool isNameCharacter(char c) {
  return isDigit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == ':' || c == '-' ||
         c == '_';
}

// Whether the last sweep is recent; otherwise the stamp takes `now` and a sweep is due.
bool sweepDue(const std::string& directory, std::int64_t now) {
  const std::string stamp = directory + "/" + kSweepStamp;
  struct stat info {};
  if (::lstat(stamp.c_str(), &info) == 0) {
    const std::int64_t last = info.st_mtime;
    // A stamp in the future (the clock was set back) does not stop sweeps for good.
    if (last <= now && now - last < kSweepInterval) return false;
  }
  const int file = ::open(stamp.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (file < 0) return false;
  const timespec times[2] = {{static_cast<time_t>(now), 0}, {static_cast<time_t>(now), 0}};
  const bool stamped = ::futimens(file, times) == 0;
  ::close(file);
  return stamped;
}

}  // namespace

bool isCopyName(std::string_view name) {
  if (name.size() < 1 + 6 + 4 || name[0] != 'A') return false;
  for (std::size_t i = 1; i <= 6; ++i) {
    if (!isDigit(name[i])) return false;
  }
  const std::string_view extension = name.substr(name.size() - 4);
  if (extension != ".csv" && extension != ".tab") return false;
  for (std::size_t i = 7; i < name.size() - 4; ++i) {
    if (!isNameCharacter(name[i])) return false;
  }
  return true;
}

bool isCopyTemporaryName(std::string_view name) {
  return name.size() > 2 + 4 && name.starts_with(".A") && name.ends_with(".tmp");
}

void sweepOldCopies(const std::string& directory, int retentionHours, std::int64_t now) {
  if (!sweepDue(directory, now)) return;
  const std::int64_t oldest = now - static_cast<std::int64_t>(retentionHours) * 3600;
  DIR* listing = ::opendir(directory.c_str());
  if (listing == nullptr) return;
  int examined = 0, removed = 0;
  while (examined < kMaxExamined && removed < kMaxRemoved) {
    const dirent* entry = ::readdir(listing);
    if (entry == nullptr) break;
    ++examined;
    const std::string_view name = entry->d_name;
    if (!isCopyName(name) && !isCopyTemporaryName(name)) continue;
    const std::string path = directory + "/" + std::string(name);
    struct stat info {};
    // Links and anything else that is not a plain file are not the tabulator's.
    if (::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
    if (static_cast<std::int64_t>(info.st_mtime) >= oldest) continue;
    if (::unlink(path.c_str()) == 0) ++removed;
  }
  ::closedir(listing);
}
