#include "dbf_conversion.h"

#include "text_helpers.h"

void loadDbfConversion(const DimensionItems& items, const std::string&, int, Dimension&) {
  pendingMessage = items.conversionFile + ": Tabela de conversao nao encontrada";
  writePendingMessage();
}
