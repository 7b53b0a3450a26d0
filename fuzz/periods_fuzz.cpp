// The period functions: a data file pattern (its name part), a Periodo value, the names of the
// data files that exist (one per line), and period codes of any text (one per line) for the
// description, in the language the first byte chooses.
#include <cstdint>
#include <string>
#include <vector>

#include "harness.h"
#include "periods.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  enterScratchDirectory("periods");
  return 0;
}

namespace {

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

// A name the file system can hold inside the scratch directory.
bool usableName(const std::string& name) {
  return !name.empty() && name.size() < 200 && name != "." && name != ".." &&
         name.find('/') == std::string::npos && name.find('\0') == std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const auto language = static_cast<Language>(data[0] % 3);
  const auto parts = splitParts(data + 1, size - 1, 4);
  std::string pattern;
  for (char c : parts[0]) {
    if (c != '/' && c != '\0') pattern += c;
  }
  clearDirectory("d");
  int created = 0;
  for (const std::string& name : linesOf(parts[2])) {
    if (usableName(name) && created++ < 60) writeScratchFile("d/" + name, "");
  }
  runGuarded([&] {
    std::vector<std::string> files;
    if (selectFilesForPeriods("d/" + pattern, parts[1], files)) return;
    const std::vector<std::string> codes = periodCodesOf(files);
    if (codes.size() > 400) __builtin_trap();
    std::string text;
    if (!periodDescription(codes, language, text) && text.size() > 255) __builtin_trap();
  });
  runGuarded([&] {
    std::string text;
    if (!periodDescription(linesOf(parts[3]), language, text) && text.size() > 255) {
      __builtin_trap();
    }
  });
  return 0;
}
