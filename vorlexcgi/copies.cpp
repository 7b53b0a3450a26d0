#include "copies.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unordered_set>
#include <vector>

#include "copy_retention.h"
#include "file_search.h"
#include "form_fields.h"
#include "messages.h"
#include "random_name.h"
#include "removal_registry.h"
#include "tab_export.h"
#include "text_helpers.h"
#include "text_output.h"

namespace {

constexpr const char* kCopyDirectory = "csv";

Failure withoutPermission() { return Failure{kNoCopyPermission}; }

std::string copyPath(const std::string& name) { return std::string(kCopyDirectory) + '/' + name; }

// Creates the file only when no file of that name exists, so that no two requests ever own the
// same name: 0 when created, otherwise the error number. The guard holds it from then on; it is
// registered with the signals held, so that none comes between the creation and the
// registration.
int createExclusively(const std::string& path, RemovalGuard& guard) {
  holdSignals();
  const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  const int failure = descriptor < 0 ? errno : 0;
  if (descriptor >= 0) {
    ::close(descriptor);
    guard = RemovalGuard(path);
  }
  releaseSignals();
  return failure;
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

// The names a request claims for its copies. They stay empty until the finished copies are
// renamed over them; until both are, the guards remove them on every way out.
struct ClaimedCopies {
  RemovalGuard csv, tab;
};

// Claims the pair of names "A" + hhnnss + address + "_" + 16 hex digits from the system's random
// source, ".csv" and ".tab": the time and address let an operator trace a copy, the random part
// keeps anyone else from fetching it by trying names.
Status claimCopyNames(TabulationState& state, ClaimedCopies& claimed) {
  const LocalTime now = currentTime();
  const std::string prefix = "A" + twoDigits(now.hour) + twoDigits(now.minute) +
                             twoDigits(now.second) + addressForName(getEnv("REMOTE_ADDR")) + "_";
  for (int attempt = 1; attempt <= 100; ++attempt) {
    std::string random;
    if (Status failure = randomHexName(random)) return failure;
    const std::string name = prefix + random;
    const std::string csvName = name + ".csv";
    const std::string tabName = name + ".tab";
    int failure = createExclusively(copyPath(csvName), claimed.csv);
    if (failure == EEXIST) continue;
    if (failure != 0) return withoutPermission();
    failure = createExclusively(copyPath(tabName), claimed.tab);
    if (failure == EEXIST) {
      claimed.csv = RemovalGuard();
      continue;
    }
    if (failure != 0) return withoutPermission();
    state.csvFileName = csvName;
    state.tabFileName = tabName;
    return std::nullopt;
  }
  return withoutPermission();
}

// Writes the copy under a hidden temporary name and renames it over its claimed name, so that
// a link never leads to half a file.
template <typename Writer>
Status publishCopy(const std::string& name, Writer writer) {
  std::string temporary;
  RemovalGuard guard;
  for (int attempt = 0;; ++attempt) {
    temporary = copyPath("." + name + "." + std::to_string(::getpid()) + "." +
                         std::to_string(attempt) + ".tmp");
    const int failure = createExclusively(temporary, guard);
    if (failure == 0) break;
    if (failure != EEXIST || attempt >= 1000) return withoutPermission();
  }
  if (Status failure = writer(temporary)) return failure;
  if (std::rename(temporary.c_str(), copyPath(name).c_str()) != 0) return withoutPermission();
  keepFile(guard);  // renamed: the temporary name is gone
  return std::nullopt;
}

void writeLinks(const TabulationState& state) {
  const std::string csvLink = "<A HREF=/csv/" + state.csvFileName + ">" +
                              localMessage(PageText::csvCopyLink, state.language) + "</A>";
  const std::string tabLink = "<A HREF=/csv/" + state.tabFileName + ">" +
                              localMessage(PageText::tabCopyLink, state.language) + "</A>";
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

Status writeCopies(TabulationState& state, const ResultModel& model, bool& written) {
  written = false;
  if (state.suppressCopies || !directoryExists(kCopyDirectory)) return std::nullopt;
  ClaimedCopies claimed;
  if (Status failure = claimCopyNames(state, claimed)) return failure;
  if (Status failure = publishCopy(state.csvFileName, [&](const std::string& path) {
        return writeCsvCopy(model, path, ';');
      })) {
    return failure;
  }
  if (Status failure = publishCopy(state.tabFileName, [&](const std::string& path) {
        return writeSpreadsheetCopy(model, path);
      })) {
    return failure;
  }
  keepFile(claimed.csv);
  keepFile(claimed.tab);
  sweepOldCopies(kCopyDirectory, state.settings.copyHours, currentFileTime());
  written = true;
  return std::nullopt;
}

long long copySize(const std::string& name) {
  struct stat info {};
  if (::stat(copyPath(name).c_str(), &info) != 0) return -1;
  return static_cast<long long>(info.st_size);
}

Status writeCopiesAndLinks(TabulationState& state, const ResultModel& model) {
  if (state.suppressCopies) return std::nullopt;
  bool written = false;
  if (Status failure = writeCopies(state, model, written)) return failure;
  if (!written) {
    for (const std::string& line : state.footerLines) writeLine(stdout, line);
    return std::nullopt;
  }
  writeLinks(state);
  return std::nullopt;
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
  // A field posted again says nothing new: the block lists each once.
  std::unordered_set<std::string> written;
  // Only fields ended by "&" are handled; the text after the last "&" is not.
  for (const char c : state.query) {
    if (c != '&') {
      field += c;
      continue;
    }
    if (!written.insert(field).second) {
      field.clear();
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
               field.starts_with(std::string(formField::format) + "=") ||
               field.starts_with(std::string(formField::selectionLists) + "=")) {
      // Choices the tabulator does not need: "all categories", the display and the format, and
      // the modern form's names of its lists.
    } else {
      writeLine(stdout, withoutTagMarks(field));
    }
    field.clear();
  }
  writeLine(stdout, "Periodo=" + periods);
  writeLine(stdout, "</TABELA>");
  writeLine(stdout, "-->");
}
