// What every fuzz target shares: a private scratch directory, the split of one input into the
// files of a small site, and a check that the code closes every file it opens, whatever way it
// ends.
#pragma once

#include <time.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The modification time given to the data file of a column file seed, and to the data file of
// each input of the column file target, so that the seeds' column files are current.
inline constexpr timespec kFuzzDataTime{1700000000, 123456789};

// Makes a fresh scratch directory, changes into it and sends standard output to /dev/null (the
// pages and failure lines are not checked here; the sanitizers and the harness are). Call once,
// from LLVMFuzzerInitialize.
void enterScratchDirectory(const char* targetName);

// Runs `body`. A file descriptor that it left open is a crash: every way out of the library's
// code, failures included, closes what it opened.
void runGuarded(const std::function<void()>& body);

// The parts of an input separated by lines holding only "-----" (the separator is in the seeds
// and the dictionaries). Missing parts are empty.
std::vector<std::string> splitParts(const std::uint8_t* data, std::size_t size, std::size_t count);

void writeScratchFile(const std::string& path, std::string_view bytes);
// Removes every plain file in `directory` (made when missing).
void clearDirectory(const std::string& directory);

// A site in the scratch directory: everything there is removed, then each part becomes a file
// whose path is the part's first line and whose bytes are the rest. Paths keep letters, digits,
// ".", "_", "-" and one "/" (a subdirectory); anything else is dropped, so no input can write
// outside the scratch directory.
void makeSite(const std::vector<std::string>& fileParts);
