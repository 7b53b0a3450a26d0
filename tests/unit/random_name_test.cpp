#include "random_name.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>

TEST(RandomName, SixteenLowerCaseHexDigitsThatDifferEachTime) {
  std::set<std::string> names;
  for (int i = 0; i < 100; ++i) {
    std::string name;
    ASSERT_FALSE(randomHexName(name));
    EXPECT_TRUE(std::regex_match(name, std::regex("[0-9a-f]{16}"))) << name;
    names.insert(name);
  }
  EXPECT_EQ(100u, names.size());
}
