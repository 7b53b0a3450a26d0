// The modern pages' reasons and rules, byte for byte in the three languages: the form shows
// them before posting and the tabulator answers with them, so both read this one table.
#include "modern_texts.h"

#include <gtest/gtest.h>

namespace {

constexpr Language pt = Language::portuguese, es = Language::spanish, en = Language::english;

}  // namespace

TEST(ModernTexts, EachReasonNamesTheChoiceToChange) {
  const std::vector<std::string> one = {"Sexo"}, two = {"Ano", "M&ecirc;s"};
  const struct {
    Nonsense reason;
    Language language;
    const char* subject;
    const std::vector<std::string>* alternatives;
    const char* text;
  } cases[] = {
      {Nonsense::noPeriod, pt, "", nullptr,
       "Nenhum per\xEDodo escolhido: escolha ao menos um em \xABPer&iacute;odos "
       "Dispon&iacute;veis\xBB."},
      {Nonsense::noPeriod, es, "", nullptr,
       "Ning\xFAn periodo elegido: elija al menos uno en \xABPeriodos Disponibles\xBB."},
      {Nonsense::noPeriod, en, "", nullptr,
       "No period chosen: choose at least one under \x93"
       "Available Periods\x94."},
      {Nonsense::noMeasure, pt, "", nullptr,
       "Nenhum conte\xFA"
       "do escolhido: escolha ao menos um em \xAB"
       "Conte&uacute;do\xBB."},
      {Nonsense::noMeasure, es, "", nullptr,
       "Ning\xFAn contenido elegido: elija al menos uno en \xAB"
       "Contenido\xBB."},
      {Nonsense::noMeasure, en, "", nullptr,
       "Nothing chosen under \x93"
       "Cells\x94: choose at least one."},
      {Nonsense::percentageWithoutVariable, pt, "Percentual", &one,
       "Para calcular \xABPercentual\xBB, escolha \xABSexo\xBB em \xABLinha\xBB ou em "
       "\xAB"
       "Coluna\xBB."},
      {Nonsense::percentageWithoutVariable, es, "Porcentaje", &one,
       "Para calcular \xABPorcentaje\xBB, elija \xABSexo\xBB en \xABLinea\xBB o en "
       "\xAB"
       "Columna\xBB."},
      {Nonsense::percentageWithoutVariable, en, "Share", &one,
       "To calculate \x93Share\x94, choose \x93Sexo\x94 under \x93Rows\x94 or \x93"
       "Columns\x94."},
      {Nonsense::percentageWithoutVariable, pt, "Percentual", nullptr,
       "\xABPercentual\xBB n\xE3o pode ser calculado com as vari\xE1veis desta tabula\xE7\xE3o: "
       "escolha outro item em \xAB"
       "Conte&uacute;do\xBB."},
      {Nonsense::measuresWithColumn, pt, "", nullptr,
       "V\xE1rios conte\xFA"
       "dos s\xF3 podem ser mostrados sem coluna: escolha \xABN&atilde;o "
       "ativa\xBB em \xAB"
       "Coluna\xBB, ou um s\xF3 item em \xAB"
       "Conte&uacute;do\xBB."},
      {Nonsense::measuresWithColumn, es, "", nullptr,
       "Varios contenidos solo se pueden mostrar sin columna: elija \xABNo activa\xBB en "
       "\xAB"
       "Columna\xBB, o un solo elemento en \xAB"
       "Contenido\xBB."},
      {Nonsense::measuresWithColumn, en, "", nullptr,
       "Several measures can only be shown without a column: choose \x93None\x94 under "
       "\x93"
       "Columns\x94, or a single item under \x93"
       "Cells\x94."},
      {Nonsense::stockOverPeriods, pt, "Popula&ccedil;&atilde;o", &two,
       "\xABPopula&ccedil;&atilde;o\xBB n\xE3o pode ser somado entre per\xEDodos: escolha "
       "\xAB"
       "Ano\xBB ou \xABM&ecirc;s\xBB em \xABLinha\xBB ou em \xAB"
       "Coluna\xBB, ou um s\xF3 "
       "per\xEDodo em \xABPer&iacute;odos Dispon&iacute;veis\xBB."},
      {Nonsense::stockOverPeriods, es, "Camas", &two,
       "\xAB"
       "Camas\xBB no se puede sumar entre periodos: elija \xAB"
       "Ano\xBB o "
       "\xABM&ecirc;s\xBB en \xABLinea\xBB o en \xAB"
       "Columna\xBB, o un solo periodo en "
       "\xABPeriodos Disponibles\xBB."},
      {Nonsense::stockOverPeriods, en, "Beds", nullptr,
       "\x93"
       "Beds\x94 cannot be added up over periods: choose a single period under "
       "\x93"
       "Available Periods\x94."},
      {Nonsense::rowEqualsColumn, pt, "Sexo", nullptr,
       "\xABSexo\xBB est\xE1 em \xABLinha\xBB e em \xAB"
       "Coluna\xBB: escolha outra vari\xE1vel "
       "em \xAB"
       "Coluna\xBB, ou \xABN&atilde;o ativa\xBB."},
      {Nonsense::rowEqualsColumn, es, "Sexo", nullptr,
       "\xABSexo\xBB est\xE1 en \xABLinea\xBB y en \xAB"
       "Columna\xBB: elija otra variable en "
       "\xAB"
       "Columna\xBB, o \xABNo activa\xBB."},
      {Nonsense::rowEqualsColumn, en, "Sex", nullptr,
       "\x93Sex\x94 is chosen under both \x93Rows\x94 and \x93"
       "Columns\x94: choose another "
       "variable under \x93"
       "Columns\x94, or \x93None\x94."},
      {Nonsense::noCategory, pt, "Faixa et&aacute;ria", nullptr,
       "Nenhuma categoria escolhida em \xAB"
       "Faixa et&aacute;ria\xBB: escolha ao menos uma, ou "
       "\xABTodas as categorias\xBB."},
      {Nonsense::noCategory, es, "Edad", nullptr,
       "Ninguna categor\xED"
       "a elegida en \xAB"
       "Edad\xBB: elija al menos una, o \xABTodas las "
       "categorias\xBB."},
      {Nonsense::noCategory, en, "Age", nullptr,
       "No category chosen under \x93"
       "Age\x94: choose at least one, or \x93"
       "All\x94."},
  };
  const std::vector<std::string> none;
  for (const auto& c : cases) {
    EXPECT_EQ(c.text, nonsenseMessage(c.reason, c.language, c.subject,
                                      c.alternatives ? *c.alternatives : none))
        << static_cast<int>(c.reason) << " in " << static_cast<int>(c.language);
  }
}

TEST(ModernTexts, RulesBesideTheLists) {
  const std::vector<std::string> three = {"A", "B", "C"};
  EXPECT_EQ(
      "V\xE1rios conte\xFA"
      "dos: s\xF3 com \xABN&atilde;o ativa\xBB em \xAB"
      "Coluna\xBB.",
      severalMeasuresRule(pt));
  EXPECT_EQ(
      "Several measures: only with \x93None\x94 under \x93"
      "Columns\x94.",
      severalMeasuresRule(en));
  EXPECT_EQ(
      "\xABP\xBB: pide \xAB"
      "A\xBB, \xAB"
      "B\xBB o \xAB"
      "C\xBB en \xABLinea\xBB o en "
      "\xAB"
      "Columna\xBB.",
      percentageRule(es, "P", three));
  EXPECT_EQ("\x93P\x94: cannot be calculated in this tabulation.", percentageRule(en, "P", {}));
  EXPECT_EQ(
      "\xAB"
      "E\xBB, com mais de um per\xEDodo: pede \xAB"
      "A\xBB, \xAB"
      "B\xBB ou "
      "\xAB"
      "C\xBB em \xABLinha\xBB ou em \xAB"
      "Coluna\xBB.",
      stockRule(pt, "E", three));
  EXPECT_EQ(
      "\xAB"
      "E\xBB: un solo periodo.",
      stockRule(es, "E", {}));
}

TEST(ModernTexts, PageTextsInTheLanguage) {
  EXPECT_EQ("Exibir linhas zeradas", modernText(ModernText::showZeroRows, pt));
  EXPECT_EQ("Mostrar filas en cero", modernText(ModernText::showZeroRows, es));
  EXPECT_EQ("Download the table as CSV", modernText(ModernText::csvCopy, en));
  EXPECT_EQ("Voltar ao formul\xE1rio", modernText(ModernText::backToForm, pt));
}

TEST(ModernTexts, NamesOnAFieldRowsFirstEachOnceByItsFirstLine) {
  const std::vector<NamedField> rows = {
      {"Munic\xEDpio", "CODMUN"}, {"Sexo", "SEXO"}, {"UF", "CODMUN"}, {"Munic\xEDpio", "OUTRO"}};
  const std::vector<NamedField> columns = {{"Regi\xE3o", "CODMUN"}, {"UF", "CODMUN"}};
  EXPECT_EQ((std::vector<std::string>{"Munic&iacute;pio", "UF", "Regi&atilde;o"}),
            namesOnField(rows, columns, "CODMUN"));
  // A later line of a key never answers: the tabulator takes the first.
  EXPECT_EQ(std::vector<std::string>{}, namesOnField(rows, columns, "OUTRO"));
  EXPECT_EQ(std::vector<std::string>{}, namesOnField(rows, columns, "codmun"));
}

TEST(ModernTexts, PictureTextsFillTheirPlaces) {
  const PictureSlots slots{"Eventos", "UF", "Sexo", "mapas/a&amp;b.geojson", 40, 300};
  const struct {
    PictureText text;
    Language language;
    const char* expected;
  } cases[] = {
      {PictureText::chartCaption, Language::portuguese,
       "Gr\xE1"
       "fico: Eventos por UF"},
      {PictureText::chartCaptionColumn, Language::spanish,
       "Gr\xE1"
       "fico: Eventos por UF y Sexo"},
      {PictureText::chartLargest, Language::english,
       "Showing the 40 rows of largest value, out of 300."},
      {PictureText::chartFirstColumns, Language::portuguese,
       "Mostradas as 8 primeiras de 300 colunas."},
      {PictureText::mapCaption, Language::english, "Map: Eventos by UF"},
      {PictureText::mapMissing, Language::spanish,
       "Mapa no disponible: no se encontr\xF3 el archivo mapas/a&amp;b.geojson."},
      {PictureText::noValue, Language::english, "No value"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.expected, pictureText(c.text, c.language, slots)) << c.expected;
  }
}
