#include "conversion.h"

#include "text_helpers.h"

void loadDimension(const std::string& line, int, Dimension& dimension) {
  dimension = Dimension{};
  dimension.title = line.substr(0, 31);
  pendingMessage = line + ": Tabela de conversao nao encontrada";
  writePendingMessage();
}

int categoryOf(const Dimension& dimension, std::string_view) { return dimension.categoryCount + 1; }

std::uint16_t codeNumber(std::string_view) { return 0; }
