// Runs every case folder of tests/golden/ (listed when the tests start, so a new folder is a new
// test) and compares its output and files byte for byte with expected/.
#include <gtest/gtest.h>

#include "golden_case.h"

class Golden : public testing::TestWithParam<std::string> {};

TEST_P(Golden, OutputMatchesByteForByte) {
  const CaseRun run = runGoldenCase(GetParam());
  for (const std::string& failure : run.failures) ADD_FAILURE() << failure;
}

INSTANTIATE_TEST_SUITE_P(Cases, Golden, testing::ValuesIn(goldenCaseNames()),
                         [](const testing::TestParamInfo<std::string>& info) {
                           std::string name = info.param;
                           for (char& c : name) {
                             const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                                                (c >= '0' && c <= '9');
                             if (!plain) c = '_';
                           }
                           return name;
                         });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(Golden);
