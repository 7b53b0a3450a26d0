#include "file_search.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>

#include "output.h"

namespace {

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

bool equalIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
  }
  return true;
}

bool isRegularFile(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::vector<std::string> directoryEntries(const std::string& directory) {
  std::vector<std::string> names;
  DIR* dir = opendir(directory.empty() ? "." : directory.c_str());
  if (dir == nullptr) return names;
  while (const dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(std::move(name));
  }
  closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

// Resolves the components of `path` one by one, each exactly when it exists, else by the
// first entry that matches it ignoring case.
std::string resolveIgnoringCase(const std::string& path) {
  std::string resolved;
  std::size_t start = 0;
  if (!path.empty() && path[0] == '/') {
    resolved = "/";
    start = 1;
  }
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    const std::string component = path.substr(start, end - start);
    const bool last = end == path.size();
    if (!component.empty()) {
      std::string candidate = resolved + component;
      struct stat info {};
      if (stat(candidate.c_str(), &info) != 0) {
        candidate.clear();
        for (const std::string& name : directoryEntries(resolved)) {
          if (equalIgnoringCase(name, component)) {
            candidate = resolved + name;
            break;
          }
        }
        if (candidate.empty()) return "";
      }
      resolved = candidate;
      if (!last) resolved += '/';
    }
    if (last) break;
    start = end + 1;
  }
  return resolved;
}

}  // namespace

std::string directoryPart(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string namePart(const std::string& path) { return path.substr(directoryPart(path).size()); }

std::string replaceExtension(const std::string& path, const std::string& extension) {
  const std::size_t nameStart = directoryPart(path).size();
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || dot < nameStart) return path + extension;
  return path.substr(0, dot) + extension;
}

std::string findFile(const std::string& path) {
  // The system would read such a path only up to its NUL: a different file from the one named.
  if (path.empty() || path.find('\0') != std::string::npos) return "";
  if (isRegularFile(path)) return path;
  std::string resolved = resolveIgnoringCase(path);
  return (!resolved.empty() && isRegularFile(resolved)) ? resolved : std::string();
}

bool directoryExists(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool wildcardMatch(const std::string& pattern, const std::string& name) {
  // Iterative match with one backtrack point for the last "*": linear in practice.
  std::size_t p = 0, n = 0, starP = std::string::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() &&
        (pattern[p] == '?' || lowerAscii(pattern[p]) == lowerAscii(name[n]))) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (starP != std::string::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

std::vector<std::string> matchingFiles(const std::string& pattern) {
  std::vector<std::string> matches;
  const std::string directory = directoryPart(pattern);
  std::string resolvedDirectory = directory;
  if (!directory.empty() && !directoryExists(directory)) {
    resolvedDirectory = resolveIgnoringCase(directory.substr(0, directory.size() - 1));
    if (resolvedDirectory.empty()) return matches;
    resolvedDirectory += '/';
  }
  const std::string namePattern = namePart(pattern);
  for (const std::string& name : directoryEntries(resolvedDirectory)) {
    if (name[0] == '.') continue;
    if (wildcardMatch(namePattern, name) && isRegularFile(resolvedDirectory + name)) {
      matches.push_back(name);
    }
  }
  return matches;
}

bool staysInSite(const std::string& path) {
  if (path.empty() || path[0] == '/' || path[0] == '\\') return false;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find_first_of("/\\", start);
    if (end == std::string::npos) end = path.size();
    if (path.compare(start, end - start, "..") == 0) return false;
    start = end + 1;
  }
  return true;
}

bool isPlainFileName(const std::string& name) {
  return name.find_first_of("/\\") == std::string::npos && name.find("..") == std::string::npos;
}

Status readWholeFile(const std::string& path, std::string& bytes, bool& opened) {
  bytes.clear();
  std::FILE* file = std::fopen(path.c_str(), "rb");
  opened = file != nullptr;
  if (file == nullptr) return std::nullopt;
  // Sized from the file and read in place: a conversion file of thousands of lines is read on
  // every request, and growing the text as it comes costs more than reading it.
  struct stat info {};
  if (fstat(fileno(file), &info) == 0 && info.st_size > 0) {
    bytes.resize(static_cast<std::size_t>(info.st_size));
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
  }
  // Whatever the file gained since, or all of it when its size is not known.
  char buffer[8192];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, got);
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) return runtimeError(path + " n\xE3o pode ser lido");
  return std::nullopt;
}

Status readRequiredFile(const std::string& path, std::string& bytes) {
  bool opened = false;
  if (Status failure = readWholeFile(path, bytes, opened)) return failure;
  if (!opened) return runtimeError(path + " n\xE3o pode ser aberto");
  return std::nullopt;
}
