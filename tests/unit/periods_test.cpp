#include "periods.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "test_paths.h"

namespace {

// The languages by their short names, for the tables of cases.
constexpr Language pt = Language::portuguese, es = Language::spanish, en = Language::english;

using Names = std::vector<std::string>;

// The files a Periodo value chooses, when it can be read.
Names selected(const std::string& pattern, const std::string& periodo) {
  Names files;
  const Status failure = selectFilesForPeriods(pattern, periodo, files);
  EXPECT_FALSE(failure) << failure->text;
  return files;
}

// The description of the codes, when it can be made.
std::string described(const Names& codes, Language language) {
  std::string text;
  const Status failure = periodDescription(codes, language, text);
  EXPECT_FALSE(failure) << failure->text;
  return text;
}

// An unreadable number in the request or in a file name: an "Erro: " line, status 1.
bool endsWithErrorLine(const Status& failure) {
  return failure && failure->status == 1 && failure->text.starts_with("Erro: '");
}

// A fresh data directory holding empty files of these names; returns the pattern in it.
std::string dataDirectory(const Names& names, const std::string& pattern = "DO*.DBF") {
  static int made = 0;
  const std::string directory = tempDirectory() + "data" + std::to_string(++made) + "/";
  std::filesystem::create_directories(directory);
  for (const std::string& name : names) writeFileBytes(directory + name, "");
  return directory + pattern;
}

}  // namespace

TEST(Periods, PeriodoItemsChooseFilesMostRecentFirst) {
  const Names yearly = {"DO97.DBF", "DO98.DBF", "DO99.DBF", "DO88.DBF", "SIM97.DBF"};
  const Names monthly = {"DO9512.DBF", "DO9601.DBF", "DO9602.DBF", "DO9701.DBF"};
  const struct {
    const Names* files;
    const char* periodo;
    Names chosen;
  } cases[] = {
      {&yearly, "2U", {"DO99.DBF", "DO98.DBF"}},
      {&yearly, "1u", {"DO99.DBF"}},
      {&yearly, "98,99", {"DO99.DBF", "DO98.DBF"}},
      {&yearly, "99,99", {"DO99.DBF"}},
      {&yearly, "9", {"DO99.DBF", "DO98.DBF", "DO97.DBF"}},
      {&yearly, " 97, 88", {"DO97.DBF"}},  // only the first item is trimmed
      {&yearly, "97,1U", {"DO99.DBF", "DO97.DBF"}},
      {&yearly, "9U", {"DO99.DBF", "DO98.DBF", "DO97.DBF", "DO88.DBF"}},  // more than there are
      {&yearly, "0U", {}},
      {&yearly, "05", {}},
      {&monthly, "9601", {"DO9601.DBF"}},
      {&monthly, "96,95", {"DO9602.DBF", "DO9601.DBF", "DO9512.DBF"}},
      {&monthly, "2U", {"DO9701.DBF", "DO9602.DBF"}},
  };
  for (const auto& c : cases) {
    const std::string pattern = dataDirectory(*c.files);
    EXPECT_EQ(c.chosen, selected(pattern, c.periodo)) << c.periodo;
  }
}

TEST(Periods, TwoDigitYearsBelowFiftyAreThe2000s) {
  const std::string pattern = dataDirectory({"DO49.DBF", "DO50.DBF", "DO03.DBF"});
  EXPECT_EQ((Names{"DO49.DBF", "DO03.DBF", "DO50.DBF"}), selected(pattern, "9U"));
}

TEST(Periods, NamesAndPatternMatchIgnoringCase) {
  const std::string pattern = dataDirectory({"do96.dbf", "DO97.DBF"}, "Do??.dbf");
  EXPECT_EQ((Names{"DO97.DBF", "do96.dbf"}), selected(pattern, "2U"));
}

TEST(Periods, UnreadablePeriodDigitsEndWithAnErrorLine) {
  const std::string withStray = dataDirectory({"DO97.DBF", "DOXX.DBF"});
  Names files;
  EXPECT_TRUE(endsWithErrorLine(selectFilesForPeriods(withStray, "97", files)));
  const std::string clean = dataDirectory({"DO97.DBF"});
  EXPECT_TRUE(endsWithErrorLine(selectFilesForPeriods(clean, "xU", files)));
}

TEST(Periods, CodesAreTheDigitsOfEachNameLastFileFirst) {
  EXPECT_EQ((Names{"97", "9601", "123456"}),
            periodCodesOf({"A1B2C3D4E5F6G7.DBF", "DO9601.DBF", "DO97.DBF"}));
  Names many;
  for (int i = 0; i < 450; ++i) many.push_back("F" + std::to_string(i) + ".DBF");
  const Names codes = periodCodesOf(many);
  ASSERT_EQ(400u, codes.size());
  EXPECT_EQ("449", codes.front());
  EXPECT_EQ("50", codes.back());
}

TEST(Periods, PostedNamesThatAreNotDataFilesAreDroppedAndReported) {
  Names files = {"DO96.DBF",
                 "../etc/x",
                 "a/b.dbf",
                 "a\\b.dbf",
                 "DO..dbf",
                 "do97.dbf",  // the pattern matches ignoring case
                 std::string("DO96.DBF\0"
                             "1",
                             10),
                 "DO96.DBF\x7F",
                 "DO9\n6.DBF",
                 ".DO96.DBF",
                 "DO<img src=x>.DBF",  // matches the pattern: opened, and reported escaped
                 "EV19.DBF",
                 "DO96.DBF.IXM",
                 ""};
  const Names rejected = dropInvalidFileNames(files, "dados/DO*.DBF");
  EXPECT_EQ((Names{"DO96.DBF", "do97.dbf", "DO<img src=x>.DBF"}), files);
  EXPECT_EQ((Names{"../etc/x", "a/b.dbf", "a\\b.dbf", "DO..dbf",
                   std::string("DO96.DBF\0"
                               "1",
                               10),
                   "DO96.DBF\x7F", "DO9\n6.DBF", ".DO96.DBF", "EV19.DBF", "DO96.DBF.IXM", ""}),
            rejected);
  // A definition without a data file pattern offers no file to post.
  Names any = {"DO96.DBF"};
  EXPECT_EQ(Names{"DO96.DBF"}, dropInvalidFileNames(any, ""));
  EXPECT_TRUE(any.empty());
}

TEST(Periods, EachDataFileIsKeptOnceUnderTheNameFound) {
  const std::string pattern = dataDirectory({"DO96.DBF", "do97.dbf"});
  const std::string directory = pattern.substr(0, pattern.rfind('/') + 1);
  std::filesystem::create_hard_link(directory + "DO96.DBF", directory + "DO98.DBF");
  std::filesystem::create_symlink("DO96.DBF", directory + "DO99.DBF");
  Names files = {"DO97.DBF", "DO96.DBF", "do96.dbf", "DO97.DBF", "DO98.DBF",
                 "DO99.DBF", "DO95.DBF", "DO95.DBF", "do97.DBF"};
  const Names found = keepDistinctFiles(files, directory);
  // The names as posted open the files and name them in messages; a name that finds nothing
  // stays, once, for the reader to report.
  EXPECT_EQ((Names{"DO97.DBF", "DO96.DBF", "DO95.DBF"}), files);
  EXPECT_EQ((Names{"do97.dbf", "DO96.DBF", "DO95.DBF"}), found);
}

TEST(Periods, DescriptionJoinsAdjacentPeriodsForwards) {
  const struct {
    Names codes;
    Language language;
    const char* text;
  } cases[] = {
      {{"94", "95", "96", "98"}, pt, "1994-1996, 1998"},
      {{"96"}, pt, "1996"},
      {{"98", "97"}, pt, "1998, 1997"},  // ranges only grow forwards
      {{"03", "04"}, en, "2003-2004"},
      {{"9601", "9602", "9603"}, pt, "Jan-Mar/1996"},
      {{"9511", "9512", "9601", "9602"}, pt, "Nov/1995-Fev/1996"},
      {{"9601"}, pt, "Jan/1996"},
      {{"9601", "9603"}, en, "Jan/1996, Mar/1996"},
      {{"9612"}, pt, "Dez/1996"},
      {{"9612"}, es, "Dic/1996"},
      {{"9612"}, en, "Dec/1996"},
      {{"95", "9601"}, pt, "Jan/1995-Jan/1996"},  // a year and a month: months are written
      {{"9501", "9502", "9503", "9504", "9505", "9506", "9507", "9508", "9509", "9510", "9511",
        "9512"},
       pt,
       "1995"},
      {{"9613"}, en, "Jan/1997"},  // an odd month number still names a real month
      {{}, pt, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.text, described(c.codes, c.language)) << c.text;
  }
}

TEST(Periods, DescriptionIsCutTo255) {
  Names codes;
  for (int year = 0; year < 100; year += 2)
    codes.push_back((year < 10 ? "0" : "") + std::to_string(year));
  const std::string text = described(codes, pt);
  EXPECT_EQ(255u, text.size());
  EXPECT_EQ("2000, 2002, ", text.substr(0, 12));
}

TEST(Periods, CodeWithoutMonthDigitsEndsWithAnErrorLine) {
  for (const char* code : {"", "7"}) {
    std::string text;
    EXPECT_TRUE(endsWithErrorLine(periodDescription({code}, pt, text))) << code;
  }
}
