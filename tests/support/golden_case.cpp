#include "golden_case.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <set>

#include "test_dbf.h"
#include "test_paths.h"

namespace fs = std::filesystem;

namespace {

const char* const kMaskToken = "<masked>";
const char* const kDbfText = ".dbf.txt";
// Files of expected/ that are not outputs of the run.
const std::set<std::string> kExpectedControl = {"stdout", "status", "removed"};

bool endsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// "X.dbf.txt" or "X.DBF.txt": the data files of a site are often named in capitals.
bool isDbfText(const std::string& path) {
  if (path.size() < 8) return false;
  std::string end = path.substr(path.size() - 8);
  for (char& c : end) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return end == kDbfText;
}

// Lines of a control file: CR LF or LF ends, blank lines and "#" comments dropped.
std::vector<std::string> controlLines(const std::string& path) {
  std::vector<std::string> lines;
  const std::string text = readFileBytes(path);
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line[0] != '#') lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

// Words separated by blanks; a word in double quotes keeps its blanks ("" is an empty word).
std::vector<std::string> commandWords(const std::string& line) {
  std::vector<std::string> words;
  std::size_t i = 0;
  while (i < line.size()) {
    if (line[i] == ' ' || line[i] == '\t') {
      ++i;
    } else if (line[i] == '"') {
      const std::size_t close = line.find('"', i + 1);
      const std::size_t end = close == std::string::npos ? line.size() : close;
      words.push_back(line.substr(i + 1, end - i - 1));
      i = end + 1;
    } else {
      const std::size_t end = std::min(line.find_first_of(" \t", i), line.size());
      words.push_back(line.substr(i, end - i));
      i = end;
    }
  }
  return words;
}

// Regular files under `root`, by path relative to it, with their bytes.
std::map<std::string, std::string> filesUnder(const std::string& root) {
  std::map<std::string, std::string> files;
  if (!fs::is_directory(root)) return files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_regular_file()) {
      files[fs::relative(entry.path(), root).generic_string()] =
          readFileBytes(entry.path().string());
    }
  }
  return files;
}

std::string visible(const std::string& line) {
  static const char* const kHex = "0123456789ABCDEF";
  std::string shown;
  for (const char c : line) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (c == '\r') {
      shown += "\\r";
    } else if (c == '\\') {
      shown += "\\\\";
    } else if (byte >= 0x20 && byte < 0x7F) {
      shown += c;
    } else {
      shown += std::string("\\x") + kHex[byte >> 4] + kHex[byte & 15];
    }
  }
  return shown;
}

std::string masked(const std::string& text, const std::vector<std::regex>& masks) {
  std::string result = text;
  for (const std::regex& mask : masks) result = std::regex_replace(result, mask, kMaskToken);
  return result;
}

void writeFileMakingFolders(const std::string& path, const std::string& bytes) {
  fs::create_directories(fs::path(path).parent_path());
  writeFileBytes(path, bytes);
}

}  // namespace

std::string goldenFolder() { return std::string(VORLEX_SOURCE_DIR) + "/tests/golden/"; }

std::vector<std::string> goldenCaseNames() {
  std::vector<std::string> names;
  if (!fs::is_directory(goldenFolder())) return names;
  for (const auto& entry : fs::directory_iterator(goldenFolder())) {
    if (entry.is_directory() && fs::exists(entry.path() / "command")) {
      names.push_back(entry.path().filename().string());
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool loadGoldenCase(const std::string& name, GoldenCase& goldenCase, std::string& error) {
  goldenCase = GoldenCase{};
  goldenCase.name = name;
  goldenCase.folder = goldenFolder() + name + "/";
  const std::vector<std::string> command = controlLines(goldenCase.folder + "command");
  std::vector<std::string> words =
      command.empty() ? std::vector<std::string>() : commandWords(command[0]);
  if (command.size() != 1 || words.empty() || programPath(words[0]).empty()) {
    error = name + "/command: want one line, seriak|vorlexcgi|formwright and the arguments";
    return false;
  }
  goldenCase.program = programPath(words[0]);
  goldenCase.arguments.assign(words.begin() + 1, words.end());
  for (const std::string& line : controlLines(goldenCase.folder + "env")) {
    if (line.find('=') == std::string::npos || line[0] == '=') {
      error = name + "/env: not NAME=value: " + line;
      return false;
    }
    goldenCase.environment.push_back(line);
  }
  goldenCase.input = readFileBytes(goldenCase.folder + "stdin");
  goldenCase.masks = controlLines(goldenCase.folder + "mask");
  for (const std::string& mask : goldenCase.masks) {
    try {
      std::regex check(mask);
    } catch (const std::regex_error&) {
      error = name + "/mask: not a regular expression: " + mask;
      return false;
    }
  }
  return true;
}

namespace {

// Copies one folder's inputs into `workDirectory`, recursively, writing each "X.dbf.txt" as the
// table "X.dbf"; a file already there is replaced.
bool copyInputs(const std::string& folder, const std::string& workDirectory, std::string& error) {
  static const std::set<std::string> kControl = {"command", "env",      "stdin",
                                                 "mask",    "expected", "base"};
  for (const auto& [path, bytes] : filesUnder(folder)) {
    const std::string top = path.substr(0, path.find('/'));
    if (kControl.count(top) != 0) continue;
    if (isDbfText(path)) {
      TestDbf dbf;
      if (!parseTestDbfText(bytes, dbf, error)) {
        error = path + ": " + error;
        return false;
      }
      fs::create_directories(fs::path(workDirectory + path).parent_path());
      dbf.writeTo(workDirectory + path.substr(0, path.size() - 4));
    } else {
      writeFileMakingFolders(workDirectory + path, bytes);
    }
  }
  // Folders the run needs may be empty (git keeps no empty folder, so a ".keep" file marks them).
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    const std::string path = fs::relative(entry.path(), folder).generic_string();
    if (entry.is_directory() && kControl.count(path.substr(0, path.find('/'))) == 0) {
      fs::create_directories(workDirectory + path);
    }
  }
  return true;
}

}  // namespace

bool makeFixture(const std::string& caseFolder, const std::string& workDirectory,
                 std::string& error) {
  fs::create_directories(workDirectory);
  const std::vector<std::string> base = controlLines(caseFolder + "base");
  if (!base.empty()) {
    const std::string baseFolder = goldenFolder() + "base/" + base[0] + "/";
    if (base.size() != 1 || !fs::is_directory(baseFolder)) {
      error = caseFolder + "base: want one line naming a folder of " + goldenFolder() + "base/";
      return false;
    }
    if (!copyInputs(baseFolder, workDirectory, error)) return false;
  }
  return copyInputs(caseFolder, workDirectory, error);
}

std::string firstDifference(const std::string& expected, const std::string& actual) {
  if (expected == actual) return "";
  std::size_t start = 0, line = 1;
  while (true) {
    const std::size_t expectedEnd = expected.find('\n', start);
    const std::size_t actualEnd = actual.find('\n', start);
    const std::string expectedLine = expected.substr(
        start, expectedEnd == std::string::npos ? std::string::npos : expectedEnd - start);
    const std::string actualLine = actual.substr(
        start, actualEnd == std::string::npos ? std::string::npos : actualEnd - start);
    const bool expectedOver = start >= expected.size(), actualOver = start >= actual.size();
    if (expectedLine != actualLine || expectedEnd != actualEnd || expectedOver != actualOver) {
      return "line " + std::to_string(line) + "\n  expected: " +
             (expectedOver ? "(end of file)"
                           : visible(expectedLine) +
                                 (expectedEnd == std::string::npos ? " (no line end)" : "")) +
             "\n  actual:   " +
             (actualOver
                  ? "(end of file)"
                  : visible(actualLine) + (actualEnd == std::string::npos ? " (no line end)" : ""));
    }
    start = expectedEnd + 1;
    ++line;
  }
}

CaseRun runGoldenCase(const std::string& name) {
  CaseRun result;
  GoldenCase goldenCase;
  std::string error;
  const std::string work = tempDirectory() + "work/";
  if (!loadGoldenCase(name, goldenCase, error) || !makeFixture(goldenCase.folder, work, error)) {
    result.failures.push_back(error);
    return result;
  }
  const std::map<std::string, std::string> inputs = filesUnder(work);
  result.run = runProgram(goldenCase.program, goldenCase.arguments, goldenCase.environment,
                          goldenCase.input, work);
  const std::map<std::string, std::string> after = filesUnder(work);
  const std::string expectedFolder = goldenCase.folder + "expected/";

  // What the run produced: new or changed files, and inputs it removed.
  std::map<std::string, std::string> produced;
  std::string removed;
  for (const auto& [path, bytes] : after) {
    const auto input = inputs.find(path);
    if (input == inputs.end() || input->second != bytes) produced[path] = bytes;
  }
  for (const auto& [path, bytes] : inputs) {
    if (after.count(path) == 0) removed += path + "\n";
  }

  const char* update = std::getenv("UPDATE_GOLDEN");
  if (update != nullptr && std::string(update) == "1") {
    fs::remove_all(expectedFolder);
    writeFileMakingFolders(expectedFolder + "stdout", result.run.output);
    if (result.run.status != 0)
      writeFileBytes(expectedFolder + "status", std::to_string(result.run.status) + "\n");
    if (!removed.empty()) writeFileBytes(expectedFolder + "removed", removed);
    for (const auto& [path, bytes] : produced) writeFileMakingFolders(expectedFolder + path, bytes);
    return result;
  }

  std::vector<std::regex> masks;
  for (const std::string& mask : goldenCase.masks) masks.emplace_back(mask);
  // Files are matched by their masked paths too: a name may carry a random part.
  std::map<std::string, std::string> golden, goldenPath;
  for (auto& [path, bytes] : filesUnder(expectedFolder)) {
    if (endsWith(path, ".actual")) {
      fs::remove(expectedFolder + path);
    } else if (kExpectedControl.count(path) == 0) {
      golden[masked(path, masks)] = std::move(bytes);
      goldenPath[masked(path, masks)] = path;
    }
  }
  std::map<std::string, std::string> afterMasked;
  for (const auto& [path, bytes] : after) afterMasked[masked(path, masks)] = bytes;

  const auto compare = [&](const std::string& path, const std::string& expected,
                           const std::string& actual) {
    const std::string difference = firstDifference(masked(expected, masks), masked(actual, masks));
    if (difference.empty()) return;
    result.failures.push_back(name + ": " + path + " differs at " + difference);
    writeFileMakingFolders(expectedFolder + path + ".actual", actual);
  };
  compare("stdout", readFileBytes(expectedFolder + "stdout"), result.run.output);

  const std::vector<std::string> statusLines = controlLines(expectedFolder + "status");
  const int expectedStatus = statusLines.empty() ? 0 : std::atoi(statusLines[0].c_str());
  if (result.run.status != expectedStatus) {
    result.failures.push_back(name + ": exit status " + std::to_string(result.run.status) +
                              ", expected " + std::to_string(expectedStatus));
  }
  for (const auto& [path, bytes] : golden) {
    const auto actual = afterMasked.find(path);
    if (actual == afterMasked.end()) {
      result.failures.push_back(name + ": the run left no file " + goldenPath[path]);
    } else {
      compare(goldenPath[path], bytes, actual->second);
    }
  }
  for (const auto& [path, bytes] : produced) {
    if (golden.count(masked(path, masks)) == 0) {
      result.failures.push_back(name + ": the run " + (inputs.count(path) ? "changed " : "made ") +
                                path + ", which expected/ does not hold");
      writeFileMakingFolders(expectedFolder + path + ".actual", bytes);
    }
  }
  const std::vector<std::string> removedList = controlLines(expectedFolder + "removed");
  const std::set<std::string> expectedRemoved(removedList.begin(), removedList.end());
  for (const auto& [path, bytes] : inputs) {
    const bool gone = after.count(path) == 0;
    if (gone && expectedRemoved.count(path) == 0) {
      result.failures.push_back(name + ": the run removed " + path +
                                ", which expected/removed does not list");
    } else if (!gone && expectedRemoved.count(path) != 0) {
      result.failures.push_back(name + ": the run left " + path + ", which expected/removed lists");
    }
  }
  if (!result.failures.empty() && !result.run.errors.empty()) {
    result.failures.push_back(name + ": standard error:\n" + result.run.errors);
  }
  return result;
}
