#include "municipality_index.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "column_writer.h"
#include "dbf_table.h"
#include "file_search.h"
#include "index_layout.h"
#include "map_writer.h"
#include "output.h"
#include "temporary_file.h"
#include "text_limits.h"

namespace {

std::string rightAligned(std::int64_t number, int width) {
  char text[32];
  std::snprintf(text, sizeof text, "%*lld", width, static_cast<long long>(number));
  return text;
}

// The index of `dataPath` when one exists under any case, else the name a new one gets.
std::string indexTarget(const std::string& dataPath, std::string& existing) {
  const std::string indexPath = replaceExtension(dataPath, ".IXM");
  // An index stored under a name that differs only in case is the one to replace.
  existing = findFile(indexPath);
  return existing.empty() ? indexPath : existing;
}

// Scans the table and writes its index; `inOrder` false when the records are not in order by
// the field, in which case no index of this data file is left at all.
Status writeIndex(DbfTable& table, int field, const std::string& fieldName,
                  const std::string& dataPath, bool& inOrder) {
  std::string existing;
  const std::string target = indexTarget(dataPath, existing);
  // Written aside and renamed into place, so that a tabulator reading at the same time sees
  // either the old index or the whole new one. The tabulator may read the data folder's index at
  // any time, and another user may write into that folder: the temporary name is unforeseeable.
  TemporaryFile temporary;
  if (Status failure = createTemporary(temporary, target)) return failure;
  if (Status failure = openStream(temporary)) return failure;
  std::FILE* file = temporary.stream;
  writeLine(file, fieldName);

  std::string previous;
  std::int32_t runStart = 1;
  std::int32_t lastInOrder = table.recordCount;
  inOrder = true;
  // Past the records the file holds every record is the same blank one, so the first of them
  // settles the order and the last run reaches recordCount.
  const std::int32_t lastToRead = std::min(table.recordCount, table.recordsHeld + 1);
  for (std::int32_t n = 1; n <= lastToRead; ++n) {
    if (Status failure = readDBF(table, n)) return failure;
    const std::string_view value = fieldValue(table, field);
    const int order = previous.compare(value);
    if (order > 0) {
      writeLine(stdout, "***** Municipio fora da ordem!");
      inOrder = false;
      if (!existing.empty()) std::remove(existing.c_str());
      return std::nullopt;
    }
    if (order != 0) {
      if (!previous.empty()) writeLine(file, indexLine(previous, runStart, n - 1));
      if (Status failure = writeFailure(file)) return failure;
      previous.assign(value);
      runStart = n;
    }
  }
  // A table with no records gets one entry with a blank code and the empty range 1..0.
  writeLine(file, indexLine(previous, runStart, lastInOrder));
  if (Status failure = writeFailure(file)) return failure;
  return publishTemporary(temporary, target);
}

// A record count the index columns cannot hold (or a negative one) gets no index: the line
// saying why, and any index of the file goes, so that the tabulator reads the file whole.
bool countFitsIndex(const DbfTable& table, const std::string& dataPath) {
  if (table.recordCount >= 0 && table.recordCount <= kMaxIndexedRecord) return true;
  writeLine(stdout, table.recordCount < 0 ? "***** Numero de registros invalido!"
                                          : "***** Registros demais para o indice!");
  std::string existing;
  indexTarget(dataPath, existing);
  if (!existing.empty()) std::remove(existing.c_str());
  return false;
}

// One data file: its index by `fieldName`, or its column file when `columns`.
Status reportFile(const std::string& dataPath, bool columns, const std::string& fieldName,
                  int& counter) {
  DbfTable table;
  if (Status failure = OpenDBF(table, dataPath, kSeriakFileName)) return failure;
  std::string note;
  if (columns) {
    if (Status failure = writeColumnFileOf(table, dataPath, note)) return failure;
  } else if (const int field = fieldIndex(table, fieldName); field == 0) {
    writeLine(stdout, tableMessage("Campo " + fieldName + " nao encontrado em ", dataPath, ""));
  } else if (countFitsIndex(table, dataPath)) {
    bool inOrder = true;
    if (Status failure = writeIndex(table, field, fieldName, dataPath, inOrder)) return failure;
    if (!inOrder) note = " arquivo indice removido!";
  } else {
    note = " arquivo indice removido!";
  }
  ++counter;
  writeLine(stdout, tableMessage(rightAligned(counter, 4) + " ", dataPath,
                                 ":" + std::to_string(table.recordCount) + note));
  return std::nullopt;
}

Status indexAll(char** argv) {
  // "-C" writes column files instead of indexes; no field of a data file has that name.
  const bool columns = std::string(argv[1]) == "-C";
  const std::string fieldName = cut(argv[1], kMaxText);
  std::string pattern = cut(argv[2], kMaxText);
  for (char& c : pattern) {
    if (c == '\\') c = '/';
  }
  pattern = replaceExtension(pattern, ".dbf");
  const std::vector<std::string> matches = matchingFiles(pattern);
  if (matches.empty()) {
    writeLine(stdout, "Arquivo n\xE3o encontrado!");
    return std::nullopt;
  }
  int counter = 0;
  for (const std::string& name : matches) {
    if (Status failure = reportFile(directoryPart(pattern) + name, columns, fieldName, counter)) {
      return failure;
    }
  }
  return std::nullopt;
}

}  // namespace

int runSeriak(int argc, char** argv) {
  // "-M" writes the compact forms of maps; no field of a data file has that name.
  if (argc > 1 && std::string(argv[1]) == "-M") return runMapCompaction(argc, argv);
  if (argc < 3) {
    writeLine(stdout, "Sintaxe: Seriak <CAMPO_MUN> <SPEC_ARQUIVOS>");
    return 0;
  }
  const Status failure = indexAll(argv);
  return failure ? endWith(*failure) : finishOutput();
}
