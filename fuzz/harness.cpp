#include "harness.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>

namespace {

std::set<int> openDescriptors() {
  std::set<int> found;
  if (DIR* directory = opendir("/proc/self/fd")) {
    // The listing's own descriptor is not one the code left open.
    const int own = dirfd(directory);
    while (dirent* entry = readdir(directory)) {
      const int descriptor = std::atoi(entry->d_name);
      if (entry->d_name[0] != '.' && descriptor != own) found.insert(descriptor);
    }
    closedir(directory);
  }
  return found;
}

}  // namespace

void enterScratchDirectory(const char* targetName) {
  std::string pattern = std::string("/tmp/vorlex-fuzz-") + targetName + "-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr || chdir(pattern.c_str()) != 0) {
    std::perror("scratch directory");
    std::abort();
  }
  if (std::freopen("/dev/null", "wb", stdout) == nullptr) std::abort();
}

void runGuarded(const std::function<void()>& body) {
  const std::set<int> before = openDescriptors();
  body();
  for (int descriptor : openDescriptors()) {
    if (before.count(descriptor) != 0) continue;
    std::fprintf(stderr, "file descriptor %d left open\n", descriptor);
    std::abort();
  }
  std::clearerr(stdout);
}

std::vector<std::string> splitParts(const std::uint8_t* data, std::size_t size, std::size_t count) {
  static constexpr std::string_view kSeparator = "\n-----\n";
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (parts.size() + 1 < count) {
    const std::size_t at = input.find(kSeparator, start);
    if (at == std::string_view::npos) break;
    parts.emplace_back(input.substr(start, at - start));
    start = at + kSeparator.size();
  }
  parts.emplace_back(input.substr(std::min(start, input.size())));
  parts.resize(count);
  return parts;
}

void writeScratchFile(const std::string& path, std::string_view bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void clearDirectory(const std::string& directory) {
  mkdir(directory.c_str(), 0755);
  if (DIR* listing = opendir(directory.c_str())) {
    while (dirent* entry = readdir(listing)) {
      const std::string name = entry->d_name;
      if (name != "." && name != "..") unlink((directory + "/" + name).c_str());
    }
    closedir(listing);
  }
}

void makeSite(const std::vector<std::string>& fileParts) {
  namespace fs = std::filesystem;
  std::error_code ignored;
  for (const auto& entry : fs::directory_iterator(".", ignored)) fs::remove_all(entry, ignored);
  for (const std::string& part : fileParts) {
    const std::size_t lineEnd = part.find('\n');
    if (lineEnd == std::string::npos) continue;
    std::string path;
    bool slashSeen = false;
    for (char c : part.substr(0, std::min<std::size_t>(lineEnd, 100))) {
      const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                         (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-';
      if (plain) path += c;
      if (c == '/' && !slashSeen && !path.empty()) {
        slashSeen = true;
        path += c;
      }
    }
    if (path.empty() || path.back() == '/' || path.find("..") != std::string::npos) continue;
    if (slashSeen) fs::create_directory(path.substr(0, path.find('/')), ignored);
    writeScratchFile(path, std::string_view(part).substr(lineEnd + 1));
  }
}
