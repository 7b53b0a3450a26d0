#include "municipality_index.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "column_writer.h"
#include "dbf_table.h"
#include "file_search.h"
#include "output.h"
#include "text_limits.h"
#include "unfinished_file.h"

namespace {

constexpr std::size_t kCodeWidth = 6;

std::string rightAligned(std::int64_t number, int width) {
  char text[32];
  std::snprintf(text, sizeof text, "%*lld", width, static_cast<long long>(number));
  return text;
}

// Entry: code (6, left-aligned), first and last record (8 each, right-aligned).
std::string indexEntry(const std::string& value, std::int32_t first, std::int32_t last) {
  std::string code = value.substr(0, kCodeWidth);
  code.resize(kCodeWidth, ' ');
  return code + rightAligned(first, 8) + rightAligned(last, 8);
}

// Writing failed: the half-written temporary file goes, and the run stops.
[[noreturn]] void failWriting(std::FILE* file, const std::string& temporary) {
  if (file != nullptr) std::fclose(file);
  std::remove(temporary.c_str());
  runtimeFailure(temporary + " n\xE3o pode ser gravado");
}

// Scans the table and writes its index; false when the records are not in order by the field,
// in which case no index of this data file is left at all.
bool writeIndex(DbfTable& table, int field, const std::string& fieldName,
                const std::string& dataPath) {
  const std::string indexPath = replaceExtension(dataPath, ".IXM");
  // An index stored under a name that differs only in case is the one to replace.
  const std::string existing = findFile(indexPath);
  const std::string target = existing.empty() ? indexPath : existing;
  // Written aside and renamed into place, so that a tabulator reading at the same time sees
  // either the old index or the whole new one.
  const std::string temporary = target + "." + std::to_string(getpid()) + ".tmp";
  // A write that fails inside writeLine (a full disk) ends the program from there; the exit then
  // removes the half-written file.
  removeIfUnfinished(temporary);
  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  if (file == nullptr) failWriting(nullptr, temporary);
  writeLine(file, fieldName);

  std::string previous;
  std::int32_t runStart = 1;
  std::int32_t lastInOrder = table.recordCount;
  bool inOrder = true;
  // Past the records the file holds every record is the same blank one, so the first of them
  // settles the order and the last run reaches recordCount.
  const std::int32_t lastToRead = std::min(table.recordCount, table.recordsHeld + 1);
  for (std::int32_t n = 1; n <= lastToRead; ++n) {
    readDBF(table, n);
    const std::string_view value = fieldValue(table, field);
    const int order = previous.compare(value);
    if (order > 0) {
      writeLine(stdout, "***** Municipio fora da ordem!");
      inOrder = false;
      lastInOrder = n - 1;
      break;
    }
    if (order != 0) {
      if (!previous.empty()) writeLine(file, indexEntry(previous, runStart, n - 1));
      previous.assign(value);
      runStart = n;
    }
  }
  if (!inOrder) {
    finishedWriting();
    std::fclose(file);
    std::remove(temporary.c_str());
    if (!existing.empty()) std::remove(existing.c_str());
    return false;
  }
  // A table with no records gets one entry with a blank code and the empty range 1..0.
  writeLine(file, indexEntry(previous, runStart, lastInOrder));
  if (std::fflush(file) != 0 || std::ferror(file) != 0) failWriting(file, temporary);
  if (std::fclose(file) != 0) failWriting(nullptr, temporary);
  if (std::rename(temporary.c_str(), target.c_str()) != 0) failWriting(nullptr, temporary);
  finishedWriting();
  return true;
}

// One data file: its index by `fieldName`, or its column file when `columns`.
void reportFile(const std::string& dataPath, bool columns, const std::string& fieldName,
                int& counter) {
  DbfTable table;
  OpenDBF(table, dataPath, kSeriakFileName);
  std::string note;
  if (columns) {
    std::string error;
    note = columnFileNote(table, dataPath, error);
    if (!error.empty()) runtimeFailure(error);
  } else if (const int field = fieldIndex(table, fieldName); field == 0) {
    writeLine(stdout, "Campo " + fieldName + " nao encontrado em " + dataPath);
  } else if (!writeIndex(table, field, fieldName, dataPath)) {
    note = " arquivo indice removido!";
  }
  ++counter;
  writeLine(stdout, rightAligned(counter, 4) + " " + dataPath + ":" +
                        std::to_string(table.recordCount) + note);
  CloseDBF(table);
}

}  // namespace

int runSeriak(int argc, char** argv) {
  if (argc < 3) {
    writeLine(stdout, "Sintaxe: Seriak <CAMPO_MUN> <SPEC_ARQUIVOS>");
    return 0;
  }
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
    return 0;
  }
  int counter = 0;
  for (const std::string& name : matches) {
    reportFile(directoryPart(pattern) + name, columns, fieldName, counter);
  }
  std::fflush(stdout);
  return 0;
}
