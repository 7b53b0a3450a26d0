#include "messages.h"

#include <gtest/gtest.h>

// The languages by their short names, for the tables of cases.
constexpr Language pt = Language::portuguese, es = Language::spanish, en = Language::english;

TEST(Messages, LookupByNumberAndLanguageThroughHtmlAccents) {
  const struct {
    int n;
    Language language;
    const char* text;
  } cases[] = {
      {1, en, "by"},
      {2, es, "y"},
      {3, pt, "Per&iacute;odo"},
      {3, es, "Periodo"},
      {5, pt, "Copia para Durnix"},
      {6, pt, "Aten&ccedil;&atilde;o"},
      {6, es, "Atenci&oacute;n"},
      {6, en, "Atention"},
      {9, es, "Ningun registro seleccionado"},
      {10, en, "must be selected in rows or columns"},
      {10, es, "debe estar seleccionado en las l&iacute;neas o columnas"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.text, localMessage(static_cast<PageText>(c.n), c.language)) << c.n << " " << static_cast<int>(c.language);
  }
  EXPECT_EQ(
      "os per&iacute;odos devem ser discriminados nas linhas ou nas colunas sempre que for "
      "selecionado mais de um per&iacute;odo.",
      localMessage(PageText::periodsInRowsOrColumns, pt));
}

TEST(Messages, NumbersOutsideTheTableGiveNothing) {
  EXPECT_EQ("", localMessage(static_cast<PageText>(0), pt));
  EXPECT_EQ("", localMessage(static_cast<PageText>(11), en));
}

TEST(Messages, EnglishSwapsTheSeparators) {
  const struct {
    Language language;
    char thousands, decimal;
  } cases[] = {{pt, '.', ','}, {es, '.', ','}, {en, ',', '.'}};
  for (const auto& c : cases) {
    TabulationState state;
    state.language = c.language;
    setNumberSeparators(state);
    EXPECT_EQ(c.thousands, state.thousandsSeparator) << static_cast<int>(c.language);
    EXPECT_EQ(c.decimal, state.decimalSeparator) << static_cast<int>(c.language);
  }
}
