// The programs keep bytes as bytes: accented literals are written as \x escapes, so no source
// file may hold a byte of 0x80 or above.
#include <gtest/gtest.h>

#include <filesystem>

#include "test_paths.h"

TEST(Sources, SourcesAreAscii) {
  namespace fs = std::filesystem;
  const fs::path root = VORLEX_SOURCE_DIR;
  for (const char* folder :
       {"common", "vorlexcgi", "formwright", "seriak", "tests", "bench", "fuzz", "demo"}) {
    if (!fs::exists(root / folder)) continue;
    for (const auto& entry : fs::recursive_directory_iterator(root / folder)) {
      const std::string ext = entry.path().extension().string();
      if (ext != ".cpp" && ext != ".h") continue;
      const std::string bytes = readFileBytes(entry.path().string());
      for (std::size_t i = 0; i < bytes.size(); ++i) {
        ASSERT_LT(static_cast<unsigned char>(bytes[i]), 0x80) << entry.path() << " byte " << i;
      }
    }
  }
}

TEST(Sources, LinesEndThroughOutput) {
  // Every line the programs write goes through writeLine, which adds CR LF; a bare "\n" or
  // std::endl in a program source would write a line that ends differently.
  namespace fs = std::filesystem;
  const fs::path root = VORLEX_SOURCE_DIR;
  for (const char* folder : {"common", "vorlexcgi", "formwright", "seriak"}) {
    for (const auto& entry : fs::recursive_directory_iterator(root / folder)) {
      const std::string ext = entry.path().extension().string();
      if (ext != ".cpp" && ext != ".h") continue;
      if (entry.path().filename() == "output.cpp") continue;  // the one place that ends lines
      const std::string bytes = readFileBytes(entry.path().string());
      EXPECT_EQ(bytes.find("std::endl"), std::string::npos) << entry.path();
      EXPECT_EQ(bytes.find("\\n\""), std::string::npos) << entry.path();
    }
  }
}
