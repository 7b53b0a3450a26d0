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
