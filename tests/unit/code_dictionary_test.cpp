#include "code_dictionary.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

std::vector<std::string> storedCodes(const CodeDictionary& dictionary) {
  std::vector<std::string> codes;
  for (int i = 1; i <= dictionary.count; ++i) codes.push_back(dictionary.entries[i].code);
  return codes;
}

TEST(CodeDictionary, InsertionKeepsByteOrderAndUpdates) {
  CodeDictionary d;
  createDictionary(d, 10);
  EXPECT_EQ(InsertResult::added, insertCode(d, "M", 1));
  EXPECT_EQ(InsertResult::added, insertCode(d, "D", 2));
  EXPECT_EQ(InsertResult::added, insertCode(d, "T", 3));
  EXPECT_EQ((std::vector<std::string>{"D", "M", "T"}), storedCodes(d));
  EXPECT_EQ(InsertResult::updated, insertCode(d, "M", 9));
  EXPECT_EQ(3, d.count);
  EXPECT_EQ(9, lookupCode(d, "M"));

  // Unsigned bytes, shorter prefix first, case and trailing spaces count.
  CodeDictionary bytes;
  createDictionary(bytes, 10);
  for (const char* code : {"\xE3", "1A", "19", "10", "1", "a", "A", "1 "})
    insertCode(bytes, code, 1);
  EXPECT_EQ((std::vector<std::string>{"1", "1 ", "10", "19", "1A", "A", "a", "\xE3"}),
            storedCodes(bytes));
}

TEST(CodeDictionary, FindCodeReportsPositionFoundAndValue) {
  CodeDictionary d;
  createDictionary(d, 5);
  const CodeSearch empty = findCode(d, "10");
  EXPECT_FALSE(empty.found);
  EXPECT_EQ(0, empty.position);
  insertCode(d, "20", 2);
  insertCode(d, "40", 4);
  const struct {
    const char* code;
    bool found;
    int position;
    int value;
  } cases[] = {{"10", false, 1, 2},
               {"20", true, 1, 2},
               {"30", false, 2, 4},
               {"40", true, 2, 4},
               {"50", false, 2, 4}};
  for (const auto& c : cases) {
    const CodeSearch s = findCode(d, c.code);
    EXPECT_EQ(c.found, s.found) << c.code;
    EXPECT_EQ(c.position, s.position) << c.code;
    EXPECT_EQ(c.value, s.value) << c.code;
  }
}

struct Step {
  const char* low;
  const char* high;  // nullptr: a single code
  std::uint16_t value;
};

struct LookupCase {
  const char* name;
  std::vector<Step> steps;
  std::vector<std::pair<const char*, int>> lookups;
};

TEST(CodeDictionary, RangesAndCodesLookUp) {
  const LookupCase cases[] = {
      {"range", {{"10", "20", 3}}, {{"10", 3}, {"15", 3}, {"20", 3}, {"09", 0}, {"21", 0}}},
      {"code inside range after it",
       {{"10", "20", 3}, {"15", nullptr, 5}},
       {{"15", 5}, {"12", 3}, {"18", 3}, {"10", 3}, {"20", 3}}},
      {"nested ranges",
       {{"10", "90", 1}, {"40", "50", 2}},
       {{"30", 1}, {"40", 2}, {"45", 2}, {"50", 2}, {"60", 1}, {"90", 1}, {"95", 0}}},
      // A code stored first cuts the later range: only its ends are in it.
      {"code inside range before it",
       {{"15", nullptr, 5}, {"10", "20", 3}},
       {{"15", 5}, {"12", 0}, {"18", 0}, {"10", 3}, {"20", 3}}},
      {"below and above all",
       {{"30", "40", 1}, {"50", nullptr, 2}},
       {{"2", 0}, {"", 0}, {"51", 0}, {"zz", 0}, {"45", 0}}},
      {"byte order in ranges",
       {{"110", "119", 7}},
       {{"115", 7}, {"11A", 0}, {"12", 0}, {"11", 0}, {"119 ", 0}, {"1100", 7}}},
      {"neighbouring ranges",
       {{"10", "19", 1}, {"20", "29", 2}},
       {{"15", 1}, {"19", 1}, {"195", 0}, {"25", 2}}},
      {"two codes inside one range",
       {{"10", "90", 1}, {"30", nullptr, 2}, {"60", nullptr, 3}},
       {{"20", 1}, {"30", 2}, {"45", 1}, {"60", 3}, {"75", 1}}},
      {"update of a range end keeps its marks",
       {{"10", "20", 3}, {"10", nullptr, 4}},
       {{"10", 4}, {"15", 3}, {"20", 3}}},
  };
  for (const auto& c : cases) {
    CodeDictionary d;
    createDictionary(d, 20);
    for (const Step& step : c.steps) {
      if (step.high == nullptr) {
        insertCode(d, step.low, step.value);
      } else {
        EXPECT_TRUE(insertRange(d, step.low, step.high, step.value)) << c.name;
      }
    }
    PackedCodes packed;
    packCodes(d, packed);
    ASSERT_TRUE(packed.usable);
    for (const auto& [code, expected] : c.lookups) {
      EXPECT_EQ(expected, lookupCode(d, code)) << c.name << ", code \"" << code << "\"";
      EXPECT_EQ(expected, lookupPacked(packed, code)) << c.name << ", code \"" << code << "\"";
    }
  }
}

TEST(CodeDictionary, EmptyAndClearedDictionariesFindNothing) {
  CodeDictionary never;
  EXPECT_EQ(0, lookupCode(never, "10"));
  EXPECT_FALSE(findCode(never, "10").found);
  EXPECT_EQ(InsertResult::full, insertCode(never, "10", 1));

  CodeDictionary d;
  createDictionary(d, 3);
  EXPECT_EQ(0, lookupCode(d, ""));
  insertCode(d, "10", 1);
  clearDictionary(d);
  EXPECT_EQ(0, d.capacity);
  EXPECT_EQ(0, d.count);
  EXPECT_EQ(0, lookupCode(d, "10"));
  createDictionary(d, 3);
  EXPECT_EQ(InsertResult::added, insertCode(d, "10", 2));
  EXPECT_EQ(2, lookupCode(d, "10"));
}

TEST(CodeDictionary, NeverWritesPastItsCapacity) {
  CodeDictionary d;
  createDictionary(d, 3);
  EXPECT_EQ(InsertResult::added, insertCode(d, "20", 1));
  EXPECT_EQ(InsertResult::added, insertCode(d, "40", 2));
  EXPECT_EQ(InsertResult::added, insertCode(d, "30", 3));
  // Appending and inserting in the middle are both refused; updating still works.
  EXPECT_EQ(InsertResult::full, insertCode(d, "50", 4));
  EXPECT_EQ(InsertResult::full, insertCode(d, "10", 4));
  EXPECT_EQ(InsertResult::updated, insertCode(d, "30", 5));
  EXPECT_EQ((std::vector<std::string>{"20", "30", "40"}), storedCodes(d));
  EXPECT_EQ(0, lookupCode(d, "50"));
  EXPECT_FALSE(insertRange(d, "20", "25", 6));
  EXPECT_EQ(4u, d.entries.size());
}

TEST(CodeDictionary, PackedLookupAnswersLikeTheDictionary) {
  // Short codes over few byte values, zero bytes and bytes above 127 included, so that prefixes,
  // zero padding and signedness all meet.
  const char alphabet[] = {'\0', '1', '2', 'A', '\xE3'};
  std::mt19937 random(17);
  const auto randomCode = [&] {
    std::string code(random() % 5, ' ');
    for (char& c : code) c = alphabet[random() % sizeof alphabet];
    return code;
  };
  for (int round = 0; round < 50; ++round) {
    CodeDictionary d;
    createDictionary(d, 60);
    for (int i = 0; i < 20; ++i) {
      std::string low = randomCode();
      std::string high = randomCode();
      if (high < low) std::swap(low, high);
      if (random() % 3 == 0) {
        insertRange(d, low, high, static_cast<std::uint16_t>(1 + random() % 5));
      } else {
        insertCode(d, low, static_cast<std::uint16_t>(1 + random() % 5));
      }
    }
    PackedCodes packed;
    packCodes(d, packed);
    for (int i = 0; i < 200; ++i) {
      const std::string code = randomCode();
      ASSERT_EQ(lookupCode(d, code), lookupPacked(packed, code))
          << "round " << round << ", code of " << code.size() << " bytes";
    }
  }
  CodeDictionary longCodes;
  createDictionary(longCodes, 2);
  insertCode(longCodes, "123456789", 1);
  PackedCodes packed;
  packCodes(longCodes, packed);
  EXPECT_FALSE(packed.usable);
}

}  // namespace
