// The page texts of vorlexcgi in Portuguese, Spanish and English (the definition's texts are its
// own), and the separators with which every number of a page or copy is written.
#include "messages.h"

#include "text_helpers.h"

namespace {

constexpr int kMessageCount = 10;

// Windows-1252 bytes; 1-2 title words, 3 period heading, 4-5 copy links, 6-10 warnings.
const char* const kMessages[3][kMessageCount] = {
    {"por", "segundo", "Per\xEDodo", "Copia como .CSV", "Copia para Durnix", "Aten\xE7\xE3o",
     "Para tabelas de",
     "os per\xEDodos devem ser discriminados nas linhas ou nas colunas sempre que for "
     "selecionado mais de um per\xEDodo.",
     "Nenhum registro selecionado", "deve ser selecionado nas linhas ou colunas"},
    {"por", "y", "Periodo", "Copia como .CSV", "Copia para Durnix", "Atenci\xF3n", "Para tablas de",
     "los periodos debem ser discriminados en las l\xEDneas o en las columnas siempre que sea "
     "seleccionado mas de um periodo.",
     "Ningun registro seleccionado", "debe estar seleccionado en las l\xEDneas o columnas"},
    {"by", "and", "Period", "Copy as .CSV", "Copy to Durnix", "Atention", "For tables of",
     "the periods must be in the rows or columns whenever there are more than one period "
     "selected.",
     "No record selected", "must be selected in rows or columns"},
};

// The marks of a protected table: what "X", "*" and ".." mean, in each language. The limits
// follow the first two texts.
const char* const kMarkTexts[3][4] = {
    {"X: valor suprimido por sigilo (menos de ",
     " registros, ou para que n\xE3o possa ser deduzido dos totais)",
     "*: taxa inst\xE1vel (numerador menor que ", "..: n\xE3o calcul\xE1vel (divisor zero)"},
    {"X: valor suprimido por confidencialidad (menos de ",
     " registros, o para que no pueda deducirse de los totales)",
     "*: tasa inestable (numerador menor que ", "..: no calculable (divisor cero)"},
    {"X: value suppressed for confidentiality (fewer than ",
     " records, or so that it cannot be derived from the totals)",
     "*: unreliable rate (numerator below ", "..: not computable (zero divisor)"},
};

}  // namespace

std::string localMessage(PageText text, Language language) {
  const int n = static_cast<int>(text);
  if (n < 1 || n > kMessageCount) return "";
  return htmlAccents(kMessages[textColumn(language)][n - 1]);
}

void setNumberSeparators(TabulationState& state) {
  const bool english = state.language == Language::english;
  state.thousandsSeparator = english ? ',' : '.';
  state.decimalSeparator = english ? '.' : ',';
}

std::string markLegend(Language language, int smallCountLimit, const std::string& unreliableLimit,
                       bool rates) {
  const char* const* texts = kMarkTexts[textColumn(language)];
  std::string legend;
  auto add = [&legend](const std::string& entry) {
    if (!legend.empty()) legend += "; ";
    legend += entry;
  };
  if (smallCountLimit > 0) add(texts[0] + std::to_string(smallCountLimit) + texts[1]);
  if (rates && !unreliableLimit.empty()) add(texts[2] + unreliableLimit + ")");
  if (rates && (smallCountLimit > 0 || !unreliableLimit.empty())) add(texts[3]);
  return legend;
}
