// One whole vorlexcgi request over a site made from the input: the posted body, argument 1 (the
// definition name), then the site's files, each a path line and its bytes (definition,
// conversion files, data files, indexes, a "csv" directory). The first byte chooses file mode
// (no CONTENT_LENGTH: the body is "query.txt") or a post of the body; its next bit has every
// file of the site that opens as a data file given its column file first, so that the request
// reads through the column path.
// Besides the sanitizers, an oracle reads the page (not an answer for scripts): no text of the
// request may reach it as a tag. A tag whose name the program never writes, that no file of the
// site holds after a "<", and that the request holds after a "<", came from the request
// unescaped: that aborts.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "column_writer.h"
#include "data_answer.h"
#include "dbf_table.h"
#include "form_input.h"
#include "harness.h"
#include "page_flow.h"
#include "state.h"

namespace {

// The tags the program writes itself, in lower case.
const std::set<std::string> kProgramTags = {
    "a",      "b",     "body", "br",    "caption", "center", "col",    "colgroup", "div",
    "footer", "h1",    "h2",   "h3",    "h4",      "head",   "header", "html",     "li",
    "link",   "main",  "meta", "p",     "pre",     "span",   "strong", "style",    "tabela",
    "table",  "tbody", "td",   "tfoot", "th",      "thead",  "title",  "tr",       "ul"};

bool isNameByte(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// The names (in lower case) after each "<" or "</" of the text that starts with a letter.
std::set<std::string> tagNames(std::string_view text) {
  std::set<std::string> names;
  for (std::size_t at = text.find('<'); at != std::string_view::npos; at = text.find('<', at + 1)) {
    std::size_t start = at + 1;
    if (start < text.size() && text[start] == '/') ++start;
    if (start >= text.size() || !isNameByte(text[start]) ||
        (text[start] >= '0' && text[start] <= '9')) {
      continue;
    }
    std::string name;
    for (std::size_t i = start; i < text.size() && isNameByte(text[i]); ++i) {
      const char c = text[i];
      name += (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    }
    names.insert(name);
  }
  return names;
}

std::string readWholeFile(const char* path) {
  std::string bytes;
  if (std::FILE* file = std::fopen(path, "rb")) {
    char buffer[65536];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, got);
    std::fclose(file);
  }
  return bytes;
}

void checkNoRequestTag(const std::string& page, bool fileMode, const std::string& request,
                       const std::vector<std::string>& siteParts) {
  // A post's CGI header (a redirect's Location among it) is no part of the page.
  std::string_view body = page;
  if (!fileMode) {
    const std::size_t end = body.find("\r\n\r\n");
    body = end == std::string_view::npos ? std::string_view() : body.substr(end + 4);
  }
  const std::set<std::string> requestTags = tagNames(request);
  if (requestTags.empty()) return;
  std::set<std::string> siteTags;
  for (const std::string& part : siteParts) siteTags.merge(tagNames(part));
  for (const std::string& name : tagNames(body)) {
    if (kProgramTags.count(name) || siteTags.count(name) || !requestTags.count(name)) continue;
    std::fprintf(stderr, "request text reached the page as the tag <%s\n", name.c_str());
    std::abort();
  }
}

// Writes the column file of every file of the site that opens as a data file.
void writeColumnFiles() {
  namespace fs = std::filesystem;
  std::vector<std::string> paths;
  std::error_code ignored;
  for (const auto& entry : fs::recursive_directory_iterator(".", ignored)) {
    if (entry.is_regular_file(ignored)) paths.push_back(entry.path().string());
  }
  for (const std::string& path : paths) {
    DbfTable table;
    std::uint64_t size = 0;
    if (!OpenDBF(table, path)) (void)writeColumnFile(table, path, size);
  }
}

// Outside the scratch directory, whose files the input chooses.
std::string pagePath;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char path[] = "/tmp/vorlex-fuzz-request-page-XXXXXX";
  const int descriptor = mkstemp(path);
  if (descriptor < 0) std::abort();
  close(descriptor);
  pagePath = path;
  enterScratchDirectory("request");
  setenv("VORLEX_FIXED_TIME", "2024-03-05 10:11:12.345", 1);
  setenv("SCRIPT_NAME", "/cgi-bin/vorlexcgi.exe", 1);
  setenv("REMOTE_ADDR", "127.0.0.1", 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const bool fileMode = (data[0] & 1) != 0;
  const auto parts = splitParts(data + 1, size - 1, 12);
  const std::vector<std::string> siteParts(parts.begin() + 2, parts.end());
  makeSite(siteParts);
  if ((data[0] & 2) != 0) writeColumnFiles();
  writeScratchFile(fileMode ? "query.txt" : ".body", parts[0]);
  if (fileMode) {
    unsetenv("CONTENT_LENGTH");
  } else {
    setenv("CONTENT_LENGTH", std::to_string(parts[0].size()).c_str(), 1);
    if (std::freopen(".body", "rb", stdin) == nullptr) std::abort();
  }
  if (std::freopen(pagePath.c_str(), "wb", stdout) == nullptr) std::abort();
  std::string definition = parts[1].substr(0, 200);
  bool page = true;
  runGuarded([&] {
    TabulationState state;
    char program[] = "vorlexcgi";
    char* argv[] = {program, definition.data(), nullptr};
    runRequest(state, 2, argv);
    page = dataFormatOf(state.query) == DataFormat::none;
  });
  std::fflush(stdout);
  // An answer for scripts is JSON or CSV, sent as such and never read as a page: request text
  // stands in it as it was asked, as data.
  if (!page) return 0;
  // The request as the program may read it: the text posted, decoded, and the definition name.
  const std::string request = parts[0] + decodeFormData(parts[0]) + definition;
  checkNoRequestTag(readWholeFile(pagePath.c_str()), fileMode, request, siteParts);
  return 0;
}
