// The posted body and its lookups: decoding, the first value and all values of the fields the
// programs ask for, and the reading of the body itself with a CONTENT_LENGTH of any text (first
// line of the input; the rest is standard input).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "form_input.h"
#include "harness.h"
#include "state.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  enterScratchDirectory("form_input");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::string decoded = decodeFormData(input);
  if (decoded.size() > input.size()) __builtin_trap();
  static const char* const kNames[] = {"Linha",   "Coluna", "Incremento", "Arquivos", "Periodo",
                                       "formato", "SSexo",  "Linha=",     "",         "="};
  for (const char* name : kNames) {
    if (formValue(decoded, name).size() > 255) __builtin_trap();
    for (const std::string& value : formValues(decoded, name)) {
      if (value.size() > decoded.size()) __builtin_trap();
    }
  }

  const std::size_t lineEnd = input.find('\n');
  const std::string contentLength = input.substr(0, lineEnd == std::string::npos ? 0 : lineEnd);
  writeScratchFile("body", lineEnd == std::string::npos ? input : input.substr(lineEnd + 1));
  writeScratchFile("query.txt", input);
  if (std::freopen("body", "rb", stdin) == nullptr) std::abort();
  // A long declared length makes the reader fill the missing characters; a megabyte shows that
  // as well as the sixteen the reader accepts, and keeps the runs quick.
  if (contentLength.size() > 6 &&
      contentLength.find_first_not_of("0123456789") == std::string::npos) {
    return 0;
  }
  runGuarded([&] {
    // An empty CONTENT_LENGTH reads query.txt instead; a large one is refused before reading.
    if (contentLength.empty()) {
      unsetenv("CONTENT_LENGTH");
    } else {
      setenv("CONTENT_LENGTH", contentLength.c_str(), 1);
    }
    setenv("SCRIPT_NAME", "/cgi-bin/vorlexcgi.exe", 1);
    TabulationState state;
    state.definitionName = "t";
    if (readFormData(state)) return;
  });
  return 0;
}
