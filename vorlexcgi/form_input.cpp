// The form data of a request: the posted body under a web server, or the first line of
// "query.txt" when the program is run by hand (then no CGI header and no copies). Lookups scan
// the decoded text as it stands, so a key may also be found inside a longer field name.
#include "form_input.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "data_answer.h"
#include "output.h"
#include "text_helpers.h"
#include "text_limits.h"

namespace {

// A body larger than this is refused before any memory is reserved for it: no form comes near.
constexpr std::int64_t kMaxBody = 16 * 1024 * 1024;
// The most values one repeated field yields: one per category of the largest dimension.
constexpr std::size_t kMaxFormValues = 5700;
// Standard input is read as text: this character ends it, and stands in for what is missing.
constexpr char kEndOfText = 26;
constexpr char kLineEnds[] = {'\r', '\n'};

// "1" to "9" count 1 to 9, "A" to "F" in either case 10 to 15, anything else 0.
int hexValue(char c) {
  if (c >= '1' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return 0;
}

std::string formKey(std::string_view name) {
  std::string key(name);
  if (key.empty() || key.back() != '=') key += '=';
  return key;
}

// The value that starts at `start`: up to the next "&" or the end of the data, cut to 255. Only
// the characters kept are searched, so a long run without "&" is not scanned once per value.
std::string valueAt(std::string_view query, std::size_t start) {
  const std::string_view window = query.substr(start, kMaxText);
  return std::string(window.substr(0, window.find('&')));
}

// Decoding only shortens the text, so it is done within the body: a large post is not held twice.
void decodeInPlace(std::string& text) {
  std::size_t out = 0;
  std::size_t in = 0;
  const std::size_t size = text.size();
  while (in < size) {
    // A "%" without two characters after it has nothing to decode and is kept as it is.
    const std::size_t percent = text.find('%', in);
    const std::size_t plainEnd =
        (percent == std::string::npos || percent + 2 >= size) ? size : percent;
    if (out != in) std::memmove(&text[out], &text[in], plainEnd - in);
    out += plainEnd - in;
    in = plainEnd;
    if (in == size) break;
    text[out++] = static_cast<char>(16 * hexValue(text[in + 1]) + hexValue(text[in + 2]));
    in += 3;
  }
  text.resize(out);
}

// The redirect target: the script's directory (through its last "/") + the form generator.
void writeRedirect(const TabulationState& state) {
  std::string directory = getEnv("SCRIPT_NAME");
  const std::size_t slash = directory.rfind('/');
  directory.resize(slash == std::string::npos ? 0 : slash + 1);
  // The name comes from the request: a control character would end the header line early.
  std::string name;
  for (char c : state.definitionName) {
    if (static_cast<unsigned char>(c) >= 32) name += c;
  }
  writeLine(stdout, "Location: " + directory + "formwright.exe?" + name);
}

void writeHeader() {
  writeLine(stdout, "Content-type: text/html");
  writeLine(stdout, "");
}

// The answers for scripts write a header of their own, once their status is known.
void writeHeaderUnlessData(const TabulationState& state) {
  if (dataFormatOf(state.query) == DataFormat::none) writeHeader();
}

// The items of the query's text, split at "&".
std::vector<std::string_view> queryItems(std::string_view query) {
  std::vector<std::string_view> items;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = query.find('&', start);
    items.push_back(query.substr(start, end - start));
    if (end == std::string_view::npos) return items;
    start = end + 1;
  }
}

// The index of the first item that holds no "=", or the number of items when all hold one.
std::size_t nameItem(const std::vector<std::string_view>& items) {
  std::size_t i = 0;
  while (i < items.size() && items[i].find('=') != std::string_view::npos) ++i;
  return i;
}

// The whole QUERY_STRING: getEnv cuts at 255 characters, and an address may hold many fields.
std::string wholeQueryString() {
  const char* value = std::getenv("QUERY_STRING");
  return value == nullptr ? std::string() : std::string(value);
}

bool getRequest() { return getEnv("REQUEST_METHOD") == "GET"; }

Status readQueryFile(TabulationState& state) {
  std::FILE* file = std::fopen("query.txt", "rb");
  if (file == nullptr) return runtimeError("query.txt n\xE3o pode ser aberto");
  std::string line;
  char buffer[4096];
  bool lineEnded = false;
  while (!lineEnded) {
    const std::size_t got = std::fread(buffer, 1, sizeof buffer, file);
    if (got == 0) break;
    std::string_view chunk(buffer, got);
    const std::size_t end = chunk.find_first_of(kLineEnds, 0, sizeof kLineEnds);
    if (end != std::string_view::npos) {
      chunk = chunk.substr(0, end);
      lineEnded = true;
    }
    line.append(chunk);
  }
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) return runtimeError("query.txt n\xE3o pode ser lido");
  state.query = std::move(line);
  state.suppressCopies = true;
  state.fromFile = true;
  return std::nullopt;
}

// The classic header goes out before a length that cannot be read is reported, as it always
// has; a body read whole waits for its format to choose the header.
Status readPostedBody(TabulationState& state, const std::string& contentLength) {
  std::int32_t length = 0;
  if (!tryInteger(contentLength, length) || length < 0) {
    writeHeader();
    return runtimeError("CONTENT_LENGTH inv\xE1lido: '" + htmlEscape(contentLength) + "'");
  }
  if (length > kMaxBody) {
    writeHeader();
    return Failure{"Excedeu mem\xF3ria:" + std::to_string(length)};
  }
  std::string body;
  try {
    body.assign(static_cast<std::size_t>(length), kEndOfText);
  } catch (const std::bad_alloc&) {
    // The format is not known: the memory's end is a page's.
    writeHeader();
    throw;
  }
  const std::size_t got = std::fread(body.data(), 1, body.size(), stdin);
  // A code-26 character ends the text; from there on, and past a short body, every character
  // reads as code 26.
  const std::size_t end = std::string_view(body.data(), got).find(kEndOfText);
  const std::size_t kept = end == std::string_view::npos ? got : end;
  std::fill(body.begin() + static_cast<std::ptrdiff_t>(kept), body.end(), kEndOfText);
  decodeInPlace(body);
  state.query = std::move(body);
  writeHeaderUnlessData(state);
  return std::nullopt;
}

}  // namespace

std::string addressFormFields() {
  if (!getRequest()) return "";
  const std::string query = wholeQueryString();
  std::vector<std::string_view> items = queryItems(query);
  const std::size_t name = nameItem(items);
  if (name < items.size()) items.erase(items.begin() + static_cast<std::ptrdiff_t>(name));
  std::string fields;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) fields += '&';
    fields += items[i];
  }
  return fields.find('=') == std::string::npos ? std::string() : fields;
}

std::string addressDefinitionName() {
  if (!getRequest()) return "";
  const std::string query = wholeQueryString();
  const std::vector<std::string_view> items = queryItems(query);
  const std::size_t name = nameItem(items);
  return name < items.size() ? cut(items[name], kMaxText) : std::string();
}

Status readFormData(TabulationState& state) {
  std::string fields = addressFormFields();
  if (!fields.empty()) {
    state.fromAddress = true;
    state.addressLength = fields.size();
    decodeInPlace(fields);
    state.query = std::move(fields);
    writeHeaderUnlessData(state);
    return std::nullopt;
  }
  const std::string contentLength = getEnv("CONTENT_LENGTH");
  if (contentLength == "0") writeRedirect(state);
  if (contentLength.empty()) return readQueryFile(state);
  return readPostedBody(state, contentLength);
}

std::string decodeFormData(std::string_view text) {
  std::string decoded(text);
  decodeInPlace(decoded);
  return decoded;
}

std::string formValue(const std::string& query, std::string_view name) {
  const std::string key = formKey(name);
  const std::size_t at = query.find(key);
  if (at == std::string::npos) return "";
  return valueAt(query, at + key.size());
}

std::vector<std::string> formValues(const std::string& query, std::string_view name) {
  const std::string key = formKey(name);
  std::vector<std::string> values;
  // Only keys followed by at least one character count: an empty last value is not seen.
  std::size_t at = query.find(key);
  while (at != std::string::npos && at + key.size() < query.size() &&
         values.size() < kMaxFormValues) {
    // Cut like formValue: no consumer uses more, and a value holding its own key again would
    // otherwise copy the rest of the data once per occurrence.
    values.push_back(valueAt(query, at + key.size()));
    at = query.find(key, at + 1);
  }
  return values;
}

Status requirePostedInteger(std::string_view text, std::int32_t& value) {
  if (tryInteger(text, value)) return std::nullopt;
  return runtimeError("'" + htmlEscape(text) + "' n\xE3o \xE9 um inteiro v\xE1lido");
}
