#include "messages.h"

#include <gtest/gtest.h>

TEST(Messages, LookupByNumberAndLanguageThroughHtmlAccents) {
  const struct {
    int n, language;
    const char* text;
  } cases[] = {
      {1, 2, "by"},
      {2, 1, "y"},
      {3, 0, "Per&iacute;odo"},
      {3, 1, "Periodo"},
      {5, 0, "Copia para Durnix"},
      {6, 0, "Aten&ccedil;&atilde;o"},
      {6, 1, "Atenci&oacute;n"},
      {6, 2, "Atention"},
      {9, 1, "Ningun registro seleccionado"},
      {10, 2, "must be selected in rows or columns"},
      {10, 1, "debe estar seleccionado en las l&iacute;neas o columnas"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.text, localMessage(c.n, c.language)) << c.n << " " << c.language;
  }
  EXPECT_EQ(
      "os per&iacute;odos devem ser discriminados nas linhas ou nas colunas sempre que for "
      "selecionado mais de um per&iacute;odo.",
      localMessage(8, 0));
}

TEST(Messages, NumbersOutsideTheTableGiveNothing) {
  EXPECT_EQ("", localMessage(0, 0));
  EXPECT_EQ("", localMessage(11, 2));
}

TEST(Messages, EnglishSwapsTheSeparators) {
  const struct {
    int language;
    char thousands, decimal;
  } cases[] = {{0, '.', ','}, {1, '.', ','}, {2, ',', '.'}};
  for (const auto& c : cases) {
    TabulationState state;
    state.language = c.language;
    setNumberSeparators(state);
    EXPECT_EQ(c.thousands, state.thousandsSeparator) << c.language;
    EXPECT_EQ(c.decimal, state.decimalSeparator) << c.language;
  }
}
