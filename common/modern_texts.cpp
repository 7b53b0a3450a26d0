#include "modern_texts.h"

#include <algorithm>

#include "form_labels.h"
#include "text_helpers.h"

namespace {

// clang-format off
const char* const kTexts[][3] = {
    {"Para escolher v\xE1rios itens de uma lista: Ctrl+clique (Cmd+clique no Mac) ou "
     "Shift+clique para uma sequ\xEAncia; no celular, toque em cada item.",
     "Para elegir varios elementos de una lista: Ctrl+clic (Cmd+clic en Mac) o May\xFAs+clic "
     "para un intervalo; en el m\xF3vil, toque cada elemento.",
     "To choose several items of a list: Ctrl+click (Cmd+click on a Mac), or Shift+click for a "
     "range; on a phone, tap each item."},
    {"Filtrar", "Filtrar", "Filter"},
    {"Exibir linhas zeradas", "Mostrar filas en cero", "Show rows of zeros"},
    {"Antes de mostrar a tabela, mude:", "Antes de mostrar la tabla, cambie:",
     "Before the table can be shown, change:"},
    {"Nenhum dado dispon\xEDvel", "Ning\xFAn dato disponible", "No data available"},
    {"Total", "Total", "Total"},
    {"(subtotal)", "(subtotal)", "(subtotal)"},
    {"C\xF3pias da tabela", "Copias de la tabla", "Copies of the table"},
    {"Baixar a tabela em CSV", "Descargar la tabla en CSV", "Download the table as CSV"},
    {"Baixar a tabela para o Durnix", "Descargar la tabla para Durnix",
     "Download the table for Durnix"},
    {"Voltar ao formul\xE1rio", "Volver al formulario", "Back to the form"},
    {"A tabela n\xE3o pode ser montada", "La tabla no se puede armar", "The table cannot be made"},
};

// The reasons and rules, with the places of the names they carry: %S the subject, %V the
// alternatives, and the form's labels %R (rows), %C (columns), %I (measures), %A (periods),
// %N (no column) and %T (all categories).
enum Template {
  noPeriod, noMeasure, percentage, percentageNone, measuresWithColumn, stock, stockNone,
  rowEqualsColumn, noCategory, severalRule, percentageRuleText, percentageRuleNone,
  stockRuleText, stockRuleNone,
};
const char* const kTemplates[][3] = {
    {"Nenhum per\xEDodo escolhido: escolha ao menos um em %A.",
     "Ning\xFAn periodo elegido: elija al menos uno en %A.",
     "No period chosen: choose at least one under %A."},
    {"Nenhum conte\xFA" "do escolhido: escolha ao menos um em %I.",
     "Ning\xFAn contenido elegido: elija al menos uno en %I.",
     "Nothing chosen under %I: choose at least one."},
    {"Para calcular %S, escolha %V em %R ou em %C.",
     "Para calcular %S, elija %V en %R o en %C.",
     "To calculate %S, choose %V under %R or %C."},
    {"%S n\xE3o pode ser calculado com as vari\xE1veis desta tabula\xE7\xE3o: escolha outro item "
     "em %I.",
     "%S no se puede calcular con las variables de esta tabulaci\xF3n: elija otro elemento en %I.",
     "%S cannot be calculated with the variables of this tabulation: choose something else "
     "under %I."},
    {"V\xE1rios conte\xFA" "dos s\xF3 podem ser mostrados sem coluna: escolha %N em %C, ou um s\xF3 "
     "item em %I.",
     "Varios contenidos solo se pueden mostrar sin columna: elija %N en %C, o un solo elemento "
     "en %I.",
     "Several measures can only be shown without a column: choose %N under %C, or a single item "
     "under %I."},
    {"%S n\xE3o pode ser somado entre per\xEDodos: escolha %V em %R ou em %C, ou um s\xF3 per\xED"
     "odo em %A.",
     "%S no se puede sumar entre periodos: elija %V en %R o en %C, o un solo periodo en %A.",
     "%S cannot be added up over periods: choose %V under %R or %C, or a single period under "
     "%A."},
    {"%S n\xE3o pode ser somado entre per\xEDodos: escolha um s\xF3 per\xEDodo em %A.",
     "%S no se puede sumar entre periodos: elija un solo periodo en %A.",
     "%S cannot be added up over periods: choose a single period under %A."},
    {"%S est\xE1 em %R e em %C: escolha outra vari\xE1vel em %C, ou %N.",
     "%S est\xE1 en %R y en %C: elija otra variable en %C, o %N.",
     "%S is chosen under both %R and %C: choose another variable under %C, or %N."},
    {"Nenhuma categoria escolhida em %S: escolha ao menos uma, ou %T.",
     "Ninguna categor\xED" "a elegida en %S: elija al menos una, o %T.",
     "No category chosen under %S: choose at least one, or %T."},
    {"V\xE1rios conte\xFA" "dos: s\xF3 com %N em %C.",
     "Varios contenidos: solo con %N en %C.",
     "Several measures: only with %N under %C."},
    {"%S: pede %V em %R ou em %C.",
     "%S: pide %V en %R o en %C.",
     "%S: needs %V under %R or %C."},
    {"%S: n\xE3o pode ser calculado nesta tabula\xE7\xE3o.",
     "%S: no se puede calcular en esta tabulaci\xF3n.",
     "%S: cannot be calculated in this tabulation."},
    {"%S, com mais de um per\xEDodo: pede %V em %R ou em %C.",
     "%S, con m\xE1s de un periodo: pide %V en %R o en %C.",
     "%S, over several periods: needs %V under %R or %C."},
    {"%S: um s\xF3 per\xEDodo.",
     "%S: un solo periodo.",
     "%S: a single period only."},
};
// clang-format on

// clang-format off
const char* const kPictureTexts[][3] = {
    {"Gr\xE1" "fico: %M por %R", "Gr\xE1" "fico: %M por %R", "Chart: %M by %R"},
    {"Gr\xE1" "fico: %M por %R e %C", "Gr\xE1" "fico: %M por %R y %C",
     "Chart: %M by %R and %C"},
    {"Mostradas as %K linhas de maior valor, de %N.",
     "Se muestran las %K filas de mayor valor, de %N.",
     "Showing the %K rows of largest value, out of %N."},
    {"Com mais de 8 colunas, cada barra mostra o total da linha.",
     "Con m\xE1s de 8 columnas, cada barra muestra el total de la fila.",
     "With more than 8 columns, each bar shows the row's total."},
    {"Mostradas as 8 primeiras de %N colunas.", "Se muestran las 8 primeras de %N columnas.",
     "Showing the first 8 of %N columns."},
    {"Mapa: %M por %R", "Mapa: %M por %R", "Map: %M by %R"},
    {"Sem valor", "Sin valor", "No value"},
    {"Valor suprimido (X)", "Valor suprimido (X)", "Value suppressed (X)"},
    {"Mapa n\xE3o dispon\xEDvel: o arquivo %F n\xE3o foi encontrado.",
     "Mapa no disponible: no se encontr\xF3 el archivo %F.",
     "Map unavailable: the file %F was not found."},
    {"Mapa n\xE3o dispon\xEDvel: o arquivo %F n\xE3o \xE9 um GeoJSON de pol\xEDgonos.",
     "Mapa no disponible: el archivo %F no es un GeoJSON de pol\xEDgonos.",
     "Map unavailable: the file %F is not a GeoJSON file of polygons."},
    {"Mapa n\xE3o dispon\xEDvel: OMAPA pede a vari\xE1vel, o arquivo e a propriedade.",
     "Mapa no disponible: OMAPA pide la variable, el archivo y la propiedad.",
     "Map unavailable: OMAPA needs the variable, the file and the property."},
    {"Mapa n\xE3o dispon\xEDvel: esta tabela n\xE3o tem o total de cada linha.",
     "Mapa no disponible: esta tabla no tiene el total de cada fila.",
     "Map unavailable: this table has no total for each row."},
};
// clang-format on

const char* const kOr[3] = {" ou ", " o ", " or "};

// The names quoted and joined: A, then "A or B", then "A, B or C".
std::string alternativesText(Language language, const std::vector<std::string>& names) {
  std::string text;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) text += i + 1 == names.size() ? kOr[textColumn(language)] : ", ";
    text += quotedName(language, names[i]);
  }
  return text;
}

std::string filledIn(Template which, Language language, std::string_view subject,
                     const std::vector<std::string>& alternatives) {
  const std::string_view pattern = kTemplates[which][textColumn(language)];
  std::string text;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] != '%' || i + 1 == pattern.size()) {
      text += pattern[i];
      continue;
    }
    const auto label = [language](FormLabel l) {
      return quotedName(language, formLabel(l, language));
    };
    switch (pattern[++i]) {
      case 'S':
        text += quotedName(language, subject);
        break;
      case 'V':
        text += alternativesText(language, alternatives);
        break;
      case 'R':
        text += label(FormLabel::rows);
        break;
      case 'C':
        text += label(FormLabel::columns);
        break;
      case 'I':
        text += label(FormLabel::cells);
        break;
      case 'A':
        text += label(FormLabel::availablePeriods);
        break;
      case 'N':
        text += label(FormLabel::noColumn);
        break;
      case 'T':
        text += label(FormLabel::allCategories);
        break;
      default:
        text += pattern.substr(i - 1, 2);
        break;
    }
  }
  return text;
}

}  // namespace

std::string modernText(ModernText text, Language language) {
  return kTexts[static_cast<int>(text)][textColumn(language)];
}

std::string pictureText(PictureText text, Language language, const PictureSlots& slots) {
  const std::string_view pattern = kPictureTexts[static_cast<int>(text)][textColumn(language)];
  std::string result;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] != '%' || i + 1 == pattern.size()) {
      result += pattern[i];
      continue;
    }
    switch (pattern[++i]) {
      case 'M':
        result += slots.measure;
        break;
      case 'R':
        result += slots.row;
        break;
      case 'C':
        result += slots.column;
        break;
      case 'F':
        result += slots.file;
        break;
      case 'K':
        result += std::to_string(slots.shown);
        break;
      case 'N':
        result += std::to_string(slots.total);
        break;
      default:
        result += pattern.substr(i - 1, 2);
        break;
    }
  }
  return result;
}

std::string quotedName(Language language, std::string_view name) {
  // Windows-1252 guillemets in Portuguese and Spanish, curly double quotes in English.
  const bool english = language == Language::english;
  return (english ? "\x93" : "\xAB") + std::string(name) + (english ? "\x94" : "\xBB");
}

std::string nonsenseMessage(Nonsense reason, Language language, std::string_view subject,
                            const std::vector<std::string>& alternatives) {
  const bool none = alternatives.empty();
  Template which = noPeriod;
  switch (reason) {
    case Nonsense::noPeriod:
      which = noPeriod;
      break;
    case Nonsense::noMeasure:
      which = noMeasure;
      break;
    case Nonsense::percentageWithoutVariable:
      which = none ? percentageNone : percentage;
      break;
    case Nonsense::measuresWithColumn:
      which = measuresWithColumn;
      break;
    case Nonsense::stockOverPeriods:
      which = none ? stockNone : stock;
      break;
    case Nonsense::rowEqualsColumn:
      which = rowEqualsColumn;
      break;
    case Nonsense::noCategory:
      which = noCategory;
      break;
  }
  return filledIn(which, language, subject, alternatives);
}

std::vector<std::string> namesOnField(const std::vector<NamedField>& rows,
                                      const std::vector<NamedField>& columns,
                                      std::string_view field) {
  std::vector<std::string> keys, names;
  for (const std::vector<NamedField>* list : {&rows, &columns}) {
    std::vector<std::string> seen;
    for (const NamedField& entry : *list) {
      if (std::find(seen.begin(), seen.end(), entry.name) != seen.end()) continue;
      seen.push_back(entry.name);
      const std::string shown = htmlAccents(entry.name);
      if (entry.field == field && std::find(names.begin(), names.end(), shown) == names.end()) {
        names.push_back(shown);
      }
    }
  }
  return names;
}

std::string severalMeasuresRule(Language language) {
  return filledIn(severalRule, language, {}, {});
}

std::string percentageRule(Language language, std::string_view measure,
                           const std::vector<std::string>& alternatives) {
  return filledIn(alternatives.empty() ? percentageRuleNone : percentageRuleText, language, measure,
                  alternatives);
}

std::string stockRule(Language language, std::string_view measure,
                      const std::vector<std::string>& alternatives) {
  return filledIn(alternatives.empty() ? stockRuleNone : stockRuleText, language, measure,
                  alternatives);
}
