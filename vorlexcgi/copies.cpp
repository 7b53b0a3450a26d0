#include "copies.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "file_search.h"
#include "form_fields.h"
#include "messages.h"
#include "tab_export.h"
#include "text_helpers.h"
#include "text_output.h"

namespace {

constexpr const char* kCopyDirectory = "csv";

// The files of copies not yet complete. A failure while writing them (a full disk) ends the
// program from inside the writer; the exit then removes them, so that no half-written copy or
// empty claimed name is left in the directory.
std::vector<std::string> unfinishedFiles;

void removeUnfinishedFiles() {
  for (const std::string& path : unfinishedFiles) ::unlink(path.c_str());
  unfinishedFiles.clear();
}

[[noreturn]] void stopWithoutPermission() {
  stopWithLine("<h4>Sem permiss\xE3o para gravar no diret\xF3rio CSV!!!</h4>");
}

std::string copyPath(const std::string& name) { return std::string(kCopyDirectory) + '/' + name; }

// Creates the file only when no file of that name exists, so that no two requests ever own
// the same name: 0 when created, otherwise the error number.
int createExclusively(const std::string& path) {
  const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (descriptor < 0) return errno;
  ::close(descriptor);
  return 0;
}

std::string twoDigits(int value) {
  return std::string(1, static_cast<char>('0' + value / 10 % 10)) +
         static_cast<char>('0' + value % 10);
}

// The client's address as part of a file name and of an unquoted link: "." and anything else
// that is not a letter, a digit or ":" (IPv6) become "_".
std::string addressForName(const std::string& address) {
  std::string result = address;
  for (char& c : result) {
    const bool plain = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                       c == ':' || c == '-';
    if (!plain) c = '_';
  }
  return result;
}

// Claims a free pair of names, "A" + hhnnss + address, then "_2", "_3" ... before the
// extension when another request of the same second and address holds them. The claimed files
// stay empty until the finished copies are renamed over them.
void claimCopyNames(TabulationState& state) {
  const LocalTime now = currentTime();
  const std::string stem = "A" + twoDigits(now.hour) + twoDigits(now.minute) +
                           twoDigits(now.second) + addressForName(getEnv("REMOTE_ADDR"));
  for (int attempt = 1; attempt <= 10000; ++attempt) {
    const std::string name = attempt == 1 ? stem : stem + "_" + std::to_string(attempt);
    const std::string csvName = name + ".csv";
    const std::string tabName = name + ".tab";
    int failure = createExclusively(copyPath(csvName));
    if (failure == EEXIST) continue;
    if (failure != 0) stopWithoutPermission();
    failure = createExclusively(copyPath(tabName));
    if (failure != 0) ::unlink(copyPath(csvName).c_str());
    if (failure == EEXIST) continue;
    if (failure != 0) stopWithoutPermission();
    state.csvFileName = csvName;
    state.tabFileName = tabName;
    unfinishedFiles = {copyPath(csvName), copyPath(tabName)};
    std::atexit(removeUnfinishedFiles);
    return;
  }
  stopWithoutPermission();
}

void removeClaimedNames(const TabulationState& state) {
  ::unlink(copyPath(state.csvFileName).c_str());
  ::unlink(copyPath(state.tabFileName).c_str());
}

// Writes the copy under a hidden temporary name and renames it over its claimed name, so that
// a link never leads to half a file.
template <typename Writer>
void publishCopy(const TabulationState& state, const std::string& name, Writer writer) {
  std::string temporary;
  for (int attempt = 0;; ++attempt) {
    temporary = copyPath("." + name + "." + std::to_string(::getpid()) + "." +
                         std::to_string(attempt) + ".tmp");
    const int failure = createExclusively(temporary);
    if (failure == 0) {
      unfinishedFiles.push_back(temporary);
      break;
    }
    if (failure != EEXIST || attempt >= 1000) {
      removeClaimedNames(state);
      stopWithoutPermission();
    }
  }
  if (!writer(temporary) || std::rename(temporary.c_str(), copyPath(name).c_str()) != 0) {
    ::unlink(temporary.c_str());
    removeClaimedNames(state);
    stopWithoutPermission();
  }
  unfinishedFiles.pop_back();  // renamed: the temporary name is gone
}

void writeLinks(const TabulationState& state) {
  const std::string csvLink =
      "<A HREF=/csv/" + state.csvFileName + ">" + localMessage(PageText::csvCopyLink, state.language) + "</A>";
  const std::string tabLink =
      "<A HREF=/csv/" + state.tabFileName + ">" + localMessage(PageText::tabCopyLink, state.language) + "</A>";
  if (state.styleSheetsOn) {
    writeLine(stdout, "<DIV CLASS=\"NIVEL2\">");
    writeLine(stdout,
              "<table width=60% cellpadding=1 cellspacing=2 align=center border=0 "
              "class=\"escondido\">");
    writeLine(stdout, "<tr CLASS=\"NIVEL2\">");
    writeLine(stdout, "<td style=\"TEXT-ALIGN:CENTER\" ALIGN=\"CENTER\">" + csvLink);
    writeLine(stdout, "<td style=\"TEXT-ALIGN:CENTER\" ALIGN=\"CENTER\">" + tabLink);
    writeLine(stdout, "</table>");
    for (const std::string& line : state.footerLines) writeLine(stdout, line);
    writeLine(stdout, "</DIV>");
  } else {
    writeLine(stdout, "<br><table width=60% align=center><tr align=center>");
    writeLine(stdout, "<td>" + csvLink);
    writeLine(stdout, "<td>" + tabLink);
    writeLine(stdout, "</table>");
    for (const std::string& line : state.footerLines) writeLine(stdout, line);
  }
}

// "<" and ">" would let a posted text close the comment that holds the block.
std::string withoutTagMarks(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (const char c : text) {
    if (c == '<') {
      result += "&lt;";
    } else if (c == '>') {
      result += "&gt;";
    } else {
      result += c;
    }
  }
  return result;
}

}  // namespace

void writeCopiesAndLinks(TabulationState& state, const ResultModel& model) {
  if (state.suppressCopies) return;
  if (!directoryExists(kCopyDirectory)) {
    for (const std::string& line : state.footerLines) writeLine(stdout, line);
    return;
  }
  claimCopyNames(state);
  publishCopy(state, state.csvFileName,
              [&](const std::string& path) { return writeCsvCopy(model, path, ';'); });
  publishCopy(state, state.tabFileName,
              [&](const std::string& path) { return writeSpreadsheetCopy(model, path); });
  unfinishedFiles.clear();
  writeLinks(state);
}

void writeTableBlock(const TabulationState& state) {
  if (state.suppressCopies) return;
  writeLine(stdout, "<!--");
  writeLine(stdout, "<TABELA>");
  writeLine(stdout, "Planilha=");
  writeLine(stdout, "Titulo=" + trimSpaces(state.title));
  writeLine(stdout, "Def=" + withoutTagMarks(state.definitionName));
  writeLine(stdout, "Varmunic=");
  std::string periods;
  bool firstPeriod = true;
  std::string field;
  // Only fields ended by "&" are handled; the text after the last "&" is not.
  for (const char c : state.query) {
    if (c != '&') {
      field += c;
      continue;
    }
    const std::size_t equals = field.find('=');
    const std::string_view value = equals == std::string::npos
                                       ? std::string_view()
                                       : std::string_view(field).substr(equals + 1);
    if (field.starts_with(std::string(formField::files) + "=")) {
      if (!firstPeriod) periods += ',';
      periods += digitsOnly(field);
      firstPeriod = false;
    } else if (value.starts_with(kAllCategories) ||
               field.starts_with(std::string(formField::submit) + "=") ||
               field.starts_with(std::string(formField::format) + "=")) {
      // Choices the tabulator does not need: "all categories", the display and the format.
    } else {
      writeLine(stdout, withoutTagMarks(field));
    }
    field.clear();
  }
  writeLine(stdout, "Periodo=" + periods);
  writeLine(stdout, "</TABELA>");
  writeLine(stdout, "-->");
}
