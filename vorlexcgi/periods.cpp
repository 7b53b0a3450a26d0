// One data file per period, the period written as digits where the file pattern has its
// wildcard: two for a year (below 50 the 2000s), four for a year and month. Turns a Periodo value
// into files, files into period codes, and codes into the text the outputs print.
#include "periods.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <utility>

#include "file_search.h"
#include "form_input.h"
#include "text_helpers.h"
#include "text_limits.h"

namespace {

constexpr std::size_t kMaxPeriodCodes = 400;
constexpr std::size_t kMaxCodeLength = 6;

bool hasControlCharacter(const std::string& name) {
  return std::any_of(name.begin(), name.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 32 || byte == 127;
  });
}

char lowerByte(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// Ignoring ASCII case, so that the century-prefixed names fall in time order; names that differ
// only in case are both kept, in byte order.
bool lessIgnoringCase(const std::string& a, const std::string& b) {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    const auto x = static_cast<unsigned char>(lowerByte(a[i]));
    const auto y = static_cast<unsigned char>(lowerByte(b[i]));
    if (x != y) return x < y;
  }
  return a.size() != b.size() ? a.size() < b.size() : a < b;
}

// Position (from 0) of the period digits in a file name: the first "?" of the pattern's name
// part, or else its first "*"; the name's start when it has neither.
std::size_t wildcardPosition(const std::string& dataFileSpec) {
  const std::string name = namePart(dataFileSpec);
  std::size_t at = name.find('?');
  if (at == std::string::npos) at = name.find('*');
  return at == std::string::npos ? 0 : at;
}

// A period as a run of months counted from year 0: first and last month.
struct MonthRange {
  std::int64_t first = 0, last = 0;
};

// A code too short to hold a month after its year (empty, one digit) cannot be read.
Status monthsOfCode(const std::string& code, MonthRange& months) {
  std::string widened = (code.empty() || code[0] < '5' ? "20" : "19") + code;
  widened = cut(widened, kMaxCodeLength);
  std::int32_t year = 0;
  if (Status failure = requireInteger(widened.substr(0, 4), year)) return failure;
  if (widened.size() == 4) {
    months = {year * 12LL, year * 12LL + 11};
    return std::nullopt;
  }
  std::int32_t month = 0;
  if (Status failure = requireInteger(widened.size() > 4 ? widened.substr(4) : "", month)) {
    return failure;
  }
  months.first = months.last = year * 12LL + month - 1;
  return std::nullopt;
}

// Counted from year 0, so an odd code (month 00 or 13) still names a real month and year.
std::string monthName(std::int64_t month, Language language) {
  return monthAbbreviation(language, static_cast<int>(month % 12));
}
std::string yearOf(std::int64_t month) { return std::to_string(month / 12); }

}  // namespace

Status selectFilesForPeriods(const std::string& dataFileSpec, const std::string& periodo,
                             std::vector<std::string>& files) {
  const std::size_t w = wildcardPosition(dataFileSpec);
  std::vector<std::string> names;
  for (const std::string& name : matchingFiles(dataFileSpec)) {
    std::int32_t year = 0;
    if (Status failure = requirePostedInteger(name.size() > w ? name.substr(w, 2) : "", year)) {
      return failure;
    }
    names.push_back((year < 50 ? "20" : "19") + name);
  }
  std::stable_sort(names.begin(), names.end(), lessIgnoringCase);

  std::vector<std::string> taken;
  std::string rest = periodo;
  bool first = true;
  while (true) {
    const std::size_t comma = rest.find(',');
    std::string item = rest.substr(0, comma);
    if (first) item = trimBlanks(item);
    first = false;
    if (item.find_first_of("Uu") != std::string::npos) {
      std::int32_t n = 0;
      if (Status failure = requirePostedInteger(item.substr(0, item.size() - 1), n)) {
        return failure;
      }
      // More than there are files takes them all.
      const std::size_t count = n <= 0 ? 0 : std::min<std::size_t>(n, names.size());
      taken.insert(taken.end(), names.end() - static_cast<std::ptrdiff_t>(count), names.end());
    } else {
      for (const std::string& name : names) {
        if (name.compare(std::min(w + 2, name.size()), item.size(), item) == 0) {
          taken.push_back(name);
        }
      }
    }
    if (comma == std::string::npos) break;
    rest.erase(0, comma + 1);
  }

  std::sort(taken.begin(), taken.end(), lessIgnoringCase);
  taken.erase(std::unique(taken.begin(), taken.end()), taken.end());
  files.clear();
  for (auto it = taken.rbegin(); it != taken.rend(); ++it) files.push_back(it->substr(2));
  return std::nullopt;
}

std::vector<std::string> periodCodesOf(const std::vector<std::string>& files) {
  std::vector<std::string> codes;
  for (auto it = files.rbegin(); it != files.rend() && codes.size() < kMaxPeriodCodes; ++it) {
    codes.push_back(cut(digitsOnly(*it), kMaxCodeLength));
  }
  return codes;
}

std::vector<std::string> dropInvalidFileNames(std::vector<std::string>& files,
                                              const std::string& dataFileSpec) {
  const std::string pattern = namePart(dataFileSpec);
  std::vector<std::string> rejected;
  std::vector<std::string> kept;
  for (std::string& name : files) {
    const bool valid = isPlainFileName(name) && !hasControlCharacter(name) && !name.empty() &&
                       name[0] != '.' && wildcardMatch(pattern, name);
    (valid ? kept : rejected).push_back(std::move(name));
  }
  files = std::move(kept);
  return rejected;
}

std::vector<std::string> keepDistinctFiles(std::vector<std::string>& files,
                                           const std::string& directory) {
  std::set<std::string> names;
  std::set<std::pair<dev_t, ino_t>> found;
  std::vector<std::string> kept, foundNames;
  for (std::string& name : files) {
    // The same text twice needs no look-up.
    if (!names.insert(name).second) continue;
    const std::string path = findFile(directory + name);
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0) {
      foundNames.push_back(name);
    } else if (found.insert({info.st_dev, info.st_ino}).second) {
      foundNames.push_back(namePart(path));
    } else {
      continue;
    }
    kept.push_back(std::move(name));
  }
  files = std::move(kept);
  return foundNames;
}

Status periodDescription(const std::vector<std::string>& periodCodes, Language language,
                         std::string& description) {
  // Ranges only grow forwards: a code right after the current range extends it.
  std::vector<MonthRange> ranges;
  for (const std::string& code : periodCodes) {
    MonthRange months;
    if (Status failure = monthsOfCode(code, months)) return failure;
    if (!ranges.empty() && months.first == ranges.back().last + 1) {
      ranges.back().last = months.last;
    } else {
      ranges.push_back(months);
    }
  }
  const bool wholeYears = std::all_of(ranges.begin(), ranges.end(), [](const MonthRange& r) {
    return r.first % 12 == 0 && r.last % 12 == 11;
  });
  std::string text;
  for (const MonthRange& range : ranges) {
    if (!text.empty()) text += ", ";
    if (wholeYears) {
      text += yearOf(range.first);
      if (yearOf(range.last) != yearOf(range.first)) text += "-" + yearOf(range.last);
      continue;
    }
    text += monthName(range.first, language);
    if (range.first == range.last || yearOf(range.last) != yearOf(range.first)) {
      text += "/" + yearOf(range.first);
    }
    if (range.last != range.first) {
      text += "-" + monthName(range.last, language) + "/" + yearOf(range.last);
    }
  }
  description = cut(text, kMaxText);
  return std::nullopt;
}
