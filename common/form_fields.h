// The fields of the selection form: formwright writes them and vorlexcgi reads them back. Their
// names and the values with a fixed meaning live here alone, so that the form and the tabulator
// cannot drift apart.
#pragma once

#include <cstddef>
#include <string_view>

namespace formField {
inline constexpr std::string_view row = "Linha";
inline constexpr std::string_view column = "Coluna";
inline constexpr std::string_view measure = "Incremento";  // repeated: one per chosen measure
inline constexpr std::string_view files = "Arquivos";      // repeated: one per chosen period file
inline constexpr std::string_view periods = "Periodo";     // "96,97" or "3U" (the last three)
inline constexpr std::string_view format = "formato";
inline constexpr std::string_view sortRows = "opcoes";
inline constexpr std::string_view zeroRows = "zeradas";
inline constexpr std::string_view submit = "mostre";
// Repeated: the modern form names each selection field it shows, so that a list left with
// nothing chosen is told apart from a field the form never had (which selects everything).
inline constexpr std::string_view selectionLists = "listas";
}  // namespace formField

// The values of formato.
namespace formatValue {
inline constexpr std::string_view table = "table";
inline constexpr std::string_view preformatted = "pre";
inline constexpr std::string_view separated = "prn";
inline constexpr std::string_view notebook = "caderno";
// For scripts: the result as a JSON-stat dataset, or as tidy CSV (one line per cell).
inline constexpr std::string_view jsonStat = "jsonstat";
inline constexpr std::string_view tidyCsv = "csv";
}  // namespace formatValue

inline constexpr std::string_view kSortRowsValue = "ordenar";
inline constexpr std::string_view kShowZeroRowsValue = "exibirlz";
// Coluna when no column dimension is chosen.
inline constexpr std::string_view kNoColumn = "--N\xE3o-Ativa--";
// The first value of a selection field when no category is chosen: the dimension is not filtered.
inline constexpr std::string_view kAllCategories = "TODAS_AS_CATEGORIAS__";
// A selection field is named "S" and the first this many characters of the dimension's name.
inline constexpr std::size_t kSelectionFieldName = 30;
