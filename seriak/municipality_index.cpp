#include "municipality_index.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "column_writer.h"
#include "dbf_table.h"
#include "file_search.h"
#include "output.h"
#include "random_name.h"
#include "removal_registry.h"
#include "text_limits.h"

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

// The record numbers an index column holds: eight digits.
constexpr std::int32_t kMaxIndexedRecords = 99999999;

// Writing failed: the half-written temporary file goes, and the run stops.
[[noreturn]] void failWriting(std::FILE* file, const std::string& temporary, int slot) {
  if (file != nullptr) std::fclose(file);
  std::remove(temporary.c_str());
  unregisterForRemoval(slot);
  runtimeFailure(tableMessage("", temporary, " n\xE3o pode ser gravado"));
}

// A new file under a name nobody could foresee or plant a link at: the tabulator may read the
// data folder's index at any time, and another user may write into that folder.
std::FILE* createTemporary(const std::string& target, std::string& temporary, int& slot) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporary = target + "." + randomHexName() + ".tmp";
    const int descriptor =
        ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (descriptor < 0 && errno == EEXIST) continue;
    if (descriptor < 0) break;
    slot = registerForRemoval(temporary);
    std::FILE* file = ::fdopen(descriptor, "wb");
    if (file == nullptr) {
      ::close(descriptor);
      failWriting(nullptr, temporary, slot);
    }
    return file;
  }
  runtimeFailure(tableMessage("", temporary, " n\xE3o pode ser gravado"));
}

// The index of `dataPath` when one exists under any case, else the name a new one gets.
std::string indexTarget(const std::string& dataPath, std::string& existing) {
  const std::string indexPath = replaceExtension(dataPath, ".IXM");
  // An index stored under a name that differs only in case is the one to replace.
  existing = findFile(indexPath);
  return existing.empty() ? indexPath : existing;
}

// Scans the table and writes its index; false when the records are not in order by the field,
// in which case no index of this data file is left at all.
bool writeIndex(DbfTable& table, int field, const std::string& fieldName,
                const std::string& dataPath) {
  std::string existing;
  const std::string target = indexTarget(dataPath, existing);
  // Written aside and renamed into place, so that a tabulator reading at the same time sees
  // either the old index or the whole new one.
  std::string temporary;
  int slot = -1;
  std::FILE* file = createTemporary(target, temporary, slot);
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
    std::fclose(file);
    std::remove(temporary.c_str());
    unregisterForRemoval(slot);
    if (!existing.empty()) std::remove(existing.c_str());
    return false;
  }
  // A table with no records gets one entry with a blank code and the empty range 1..0.
  writeLine(file, indexEntry(previous, runStart, lastInOrder));
  if (std::fflush(file) != 0 || std::ferror(file) != 0) failWriting(file, temporary, slot);
  if (std::fclose(file) != 0) failWriting(nullptr, temporary, slot);
  if (std::rename(temporary.c_str(), target.c_str()) != 0) failWriting(nullptr, temporary, slot);
  unregisterForRemoval(slot);
  return true;
}

// A record count the index columns cannot hold (or a negative one) gets no index: the line
// saying why, and any index of the file goes, so that the tabulator reads the file whole.
bool countFitsIndex(const DbfTable& table, const std::string& dataPath) {
  if (table.recordCount >= 0 && table.recordCount <= kMaxIndexedRecords) return true;
  writeLine(stdout, table.recordCount < 0 ? "***** Numero de registros invalido!"
                                          : "***** Registros demais para o indice!");
  std::string existing;
  indexTarget(dataPath, existing);
  if (!existing.empty()) std::remove(existing.c_str());
  return false;
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
    writeLine(stdout, tableMessage("Campo " + fieldName + " nao encontrado em ", dataPath, ""));
  } else if (!countFitsIndex(table, dataPath) || !writeIndex(table, field, fieldName, dataPath)) {
    note = " arquivo indice removido!";
  }
  ++counter;
  writeLine(stdout, tableMessage(rightAligned(counter, 4) + " ", dataPath,
                                 ":" + std::to_string(table.recordCount) + note));
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
