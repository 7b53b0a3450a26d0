#include "test_paths.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

pid_t rootOwner = 0;
std::filesystem::path rootPath;

// The scratch folders go when the tests end (KEEP_TEST_FILES=1 keeps them for a look). Only the
// process that made them removes them: a child that ends through exit() must not.
void removeScratch() {
  if (::getpid() != rootOwner || std::getenv("KEEP_TEST_FILES") != nullptr) return;
  std::error_code ignored;
  std::filesystem::remove_all(rootPath, ignored);
}

// Fixed at first use, so that a child process forked by a test keeps its parent's folders.
const std::filesystem::path& scratchRoot() {
  if (rootPath.empty()) {
    rootOwner = ::getpid();
    rootPath =
        std::filesystem::temp_directory_path() / ("vorlex-tests-" + std::to_string(rootOwner));
    std::atexit(removeScratch);
  }
  return rootPath;
}

}  // namespace

std::string tempDirectory() {
  static std::string madeFor;
  const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
  std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "global";
  for (char& c : name) {
    if (c == '/') c = '_';
  }
  const std::filesystem::path dir = scratchRoot() / name;
  if (madeFor != dir.string()) {
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    madeFor = dir.string();
  }
  return dir.string() + "/";
}

std::string tempPath(const std::string& name) { return tempDirectory() + name; }

std::string readFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string sharedDirectory() {
  const char* overridden = std::getenv("VORLEX_SHARED_DIR");
  return std::string(overridden != nullptr && *overridden != '\0' ? overridden
                                                                  : VORLEX_SHARED_DIR) +
         "/";
}

std::vector<std::string> fileNamesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}
