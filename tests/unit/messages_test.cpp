#include "messages.h"

#include <gtest/gtest.h>

#include "text_helpers.h"

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
    EXPECT_EQ(c.text, localMessage(static_cast<PageText>(c.n), c.language))
        << c.n << " " << static_cast<int>(c.language);
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

TEST(Messages, MarkLegendNamesTheMarksATableCanShow) {
  const std::string suppressedPt =
      "X: valor suprimido por sigilo (menos de 5 registros, ou para que n\xE3o possa ser deduzido "
      "dos totais)";
  const struct {
    Language language;
    int limit;
    const char* unreliable;
    bool rates;
    std::string legend;
  } cases[] = {
      {pt, 5, "", false, suppressedPt},
      {pt, 5, "20", false, suppressedPt},  // "*" and ".." only mark rates
      {pt, 5, "20", true,
       suppressedPt + "; *: taxa inst\xE1vel (numerador menor que 20); ..: n\xE3o calcul\xE1vel "
                      "(divisor zero)"},
      {pt, 0, "2,5", true,
       "*: taxa inst\xE1vel (numerador menor que 2,5); ..: n\xE3o calcul\xE1vel (divisor zero)"},
      {pt, 0, "20", false, ""},
      {es, 3, "", true,
       "X: valor suprimido por confidencialidad (menos de 3 registros, o para que no pueda "
       "deducirse de los totales); ..: no calculable (divisor cero)"},
      {en, 10, "20", true,
       "X: value suppressed for confidentiality (fewer than 10 records, or so that it cannot be "
       "derived from the totals); *: unreliable rate (numerator below 20); ..: not computable "
       "(zero divisor)"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.legend, markLegend(c.language, c.limit, c.unreliable, c.rates))
        << textColumn(c.language) << " " << c.limit << " " << c.unreliable << " " << c.rates;
  }
  // The longest legend fits the 255 characters a page text keeps, entities and all.
  for (const Language language : {pt, es, en}) {
    const std::string legend = markLegend(language, 100000, "100000,5", true);
    ASSERT_FALSE(legend.empty());
    EXPECT_EQ(')', htmlAccents(legend).back()) << textColumn(language);
  }
}
