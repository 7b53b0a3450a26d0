#include "form_labels.h"

#include "text_helpers.h"

namespace {

// clang-format off
const char* const kLabels[14][3] = {
    {"Linha", "Linea", "Rows"},
    {"Coluna", "Columna", "Columns"},
    {"Conte\xFA" "do", "Contenido", "Cells"},
    {"Per\xED" "odos Dispon\xED" "veis", "Periodos Disponibles", "Available Periods"},
    {"Sele\xE7\xF5" "es Dispon\xED" "veis", "Selecciones Disponibles", "Available Selections"},
    {"Ordenar pelos valores da coluna", "Ordenar por los valores de la columna",
     "Order by column values"},
    {"Formato", "Formato", "Format"},
    {"Tabela com bordas", "Tabla con bordes", "Table with borders"},
    {"Texto pr\xE9-formatado", "Texto pre-formateado", "Pre-formated text"},
    {"Colunas separadas por", "Columnas separadas por", "Columns separated by"},
    {"Mostra", "Muestra", "Show"},
    {"Limpa", "Borra", "Reset"},
    {"Todas as categorias", "Todas las categorias", "All"},
    {"N\xE3o ativa", "No activa", "None"},
};
// clang-format on

}  // namespace

std::string formLabel(FormLabel label, Language language) {
  const int n = static_cast<int>(label);
  if (n < 1 || n > 14) return "";
  return htmlAccents(kLabels[n - 1][textColumn(language)]);
}
