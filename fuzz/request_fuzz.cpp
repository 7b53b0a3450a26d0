// One whole vorlexcgi request over a site made from the input: the posted body, argument 1 (the
// definition name), then the site's files, each a path line and its bytes (definition,
// conversion files, data files, indexes, a "csv" directory). The first byte chooses file mode
// (no CONTENT_LENGTH: the body is "query.txt") or a post of the body.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "harness.h"
#include "page_flow.h"
#include "state.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
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
  makeSite(std::vector<std::string>(parts.begin() + 2, parts.end()));
  writeScratchFile(fileMode ? "query.txt" : ".body", parts[0]);
  if (fileMode) {
    unsetenv("CONTENT_LENGTH");
  } else {
    setenv("CONTENT_LENGTH", std::to_string(parts[0].size()).c_str(), 1);
    if (std::freopen(".body", "rb", stdin) == nullptr) std::abort();
  }
  std::string definition = parts[1].substr(0, 200);
  runGuarded([&] {
    TabulationState state;
    char program[] = "vorlexcgi";
    char* argv[] = {program, definition.data(), nullptr};
    runRequest(state, 2, argv);
  });
  return 0;
}
