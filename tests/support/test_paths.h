// Paths the tests share: a fresh scratch directory per test, and the project's folders.
#pragma once

#include <string>
#include <vector>

// A path inside a directory made for the running test (removed and made anew on first use).
std::string tempPath(const std::string& name);
// The scratch directory of the running test, ending in "/".
std::string tempDirectory();
// Whole file as bytes; empty when it cannot be read.
std::string readFileBytes(const std::string& path);
void writeFileBytes(const std::string& path, const std::string& bytes);
// The names of the entries of a folder, in ascending byte order.
std::vector<std::string> fileNamesIn(const std::string& folder);
// The team's shared folder (../shared beside the repository, or $VORLEX_SHARED_DIR when set),
// ending in "/". Tests that read it skip with a message when the folder is absent.
std::string sharedDirectory();
