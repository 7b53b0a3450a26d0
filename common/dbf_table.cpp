#include "dbf_table.h"

#include "output.h"

void OpenDBF(DbfTable& table, const std::string& name, std::size_t nameLimit) {
  table.fileName = cut(name, nameLimit);
  stopWithLine("OpenDBF:" + table.fileName + " Arquivo n\xE3o encontrado!");
}

void readDBF(DbfTable& table, std::int32_t) { stopWithLine("readDBF:" + table.fileName + " n\xE3o aberto!"); }

void CloseDBF(DbfTable& table) { table.state = 0; }

int fieldIndex(const DbfTable&, const std::string&) { return 0; }

std::string_view fieldValue(const DbfTable& table, int fieldNumber) {
  const DbfField& field = table.fields[fieldNumber];
  return std::string_view(table.currentRecord + field.offset, field.length);
}
