#include "language.h"

#include <gtest/gtest.h>

TEST(Language, OptionNamesByItsFirstThreeLetters) {
  const struct {
    const char* option;
    bool known;
    Language language;
  } cases[] = {
      {"L=POR", true, Language::portuguese},        {"L=ESPANOL", true, Language::spanish},
      {"L=ENG", true, Language::english},           {"L=EN", false, Language::spanish},
      {"CSS=/css/a.css", false, Language::spanish}, {"L=FRA", false, Language::spanish},
  };
  for (const auto& c : cases) {
    Language language = Language::spanish;
    EXPECT_EQ(c.known, readLanguageOption(c.option, language)) << c.option;
    EXPECT_EQ(c.language, language) << c.option;
  }
}

TEST(Language, MonthAbbreviations) {
  EXPECT_STREQ("Fev", monthAbbreviation(Language::portuguese, 1));
  EXPECT_STREQ("Dic", monthAbbreviation(Language::spanish, 11));
  EXPECT_STREQ("Aug", monthAbbreviation(Language::english, 7));
}

TEST(Language, TagsOfTheHtmlElement) {
  EXPECT_STREQ("pt-BR", htmlLanguageTag(Language::portuguese));
  EXPECT_STREQ("es", htmlLanguageTag(Language::spanish));
  EXPECT_STREQ("en", htmlLanguageTag(Language::english));
}
