#include "copy_retention.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <set>
#include <string>

#include "test_paths.h"

namespace {

constexpr std::int64_t kNow = 1700000000;
constexpr std::int64_t kHour = 3600;

// A file (or, with `kind`, a link or a folder) modified `age` seconds before kNow.
void make(const std::string& path, std::int64_t age, char kind = 'f') {
  if (kind == 'l') {
    std::filesystem::create_symlink("elsewhere", path);
  } else if (kind == 'd') {
    std::filesystem::create_directory(path);
  } else {
    writeFileBytes(path, "x");
  }
  const timespec times[2] = {{static_cast<time_t>(kNow - age), 0},
                             {static_cast<time_t>(kNow - age), 0}};
  ::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
}

std::set<std::string> namesIn(const std::string& directory) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(directory)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

}  // namespace

TEST(CopyRetention, OldCopiesGoYoungOnesAndOtherFilesStay) {
  const std::string csv = tempPath("csv");
  std::filesystem::create_directories(csv);
  const std::int64_t old = 25 * kHour, young = 23 * kHour;
  const struct {
    const char* name;
    std::int64_t age;
    char kind;
    bool kept;
  } files[] = {
      {"A101112_10_0_0_7_0123456789abcdef.csv", old, 'f', false},
      {"A101112_10_0_0_7_0123456789abcdef.tab", old, 'f', false},
      {"A101113_10_0_0_7_fedcba9876543210.csv", young, 'f', true},
      {"A10111210_0_0_7.tab", old, 'f', false},    // named before the random part
      {"A10111210_0_0_7_2.csv", old, 'f', false},  // the second copy of that second
      {"A101112::1_00000000000000aa.csv", old, 'f', false},
      {".A101112_10_0_0_7_0123456789abcdef.csv.77.0.tmp", old, 'f', false},
      {".A101112_10_0_0_7_0123456789abcdef.csv.78.0.tmp", young, 'f', true},
      {"vorlex2403.log", old, 'f', true},
      {"Aviso.csv", old, 'f', true},
      {"A12.csv", old, 'f', true},
      {"A101112 x.csv", old, 'f', true},
      {"A101112_10_0_0_7.csv.bak", old, 'f', true},
      {"B101112_10_0_0_7.csv", old, 'f', true},
      {".B101112.tmp", old, 'f', true},
      {"A101112_link.csv", old, 'l', true},
      {"A101112_folder.csv", old, 'd', true},
  };
  std::set<std::string> expected = {kSweepStamp};
  for (const auto& file : files) {
    make(csv + "/" + file.name, file.age, file.kind);
    if (file.kept) expected.insert(file.name);
  }
  sweepOldCopies(csv, 24, kNow);
  EXPECT_EQ(expected, namesIn(csv));
}

TEST(CopyRetention, SweepsAtMostOnceAMinute) {
  const std::string csv = tempPath("csv");
  std::filesystem::create_directories(csv);
  const std::string copy = "A101112_10_0_0_7_0123456789abcdef.csv";
  sweepOldCopies(csv, 24, kNow);
  make(csv + "/" + copy, 30 * kHour);
  sweepOldCopies(csv, 24, kNow + 59);
  EXPECT_TRUE(std::filesystem::exists(csv + "/" + copy)) << "swept twice within a minute";
  sweepOldCopies(csv, 24, kNow + 60);
  EXPECT_FALSE(std::filesystem::exists(csv + "/" + copy));

  // A stamp from the future (a clock set back) does not stop the sweeps.
  make(csv + "/" + copy, 30 * kHour);
  sweepOldCopies(csv, 24, kNow - kHour);
  EXPECT_FALSE(std::filesystem::exists(csv + "/" + copy));
}

TEST(CopyRetention, RetentionIsTheSitesHours) {
  const std::string csv = tempPath("csv");
  std::filesystem::create_directories(csv);
  make(csv + "/A101112_10_0_0_7_0123456789abcdef.csv", 2 * kHour);
  make(csv + "/A101112_10_0_0_7_fedcba9876543210.csv", kHour / 2);
  sweepOldCopies(csv, 1, kNow);
  EXPECT_EQ((std::set<std::string>{kSweepStamp, "A101112_10_0_0_7_fedcba9876543210.csv"}),
            namesIn(csv));
}
