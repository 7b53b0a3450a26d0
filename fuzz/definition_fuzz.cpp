// A definition read together with a posted body: the body (decoded as a post would be), the
// definition, then files its selection lines may name (each a path line and its bytes).
#include <cstdint>
#include <string>
#include <vector>

#include "definition.h"
#include "form_input.h"
#include "harness.h"
#include "page_flow.h"
#include "state.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  enterScratchDirectory("definition");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto parts = splitParts(data, size, 6);
  makeSite(std::vector<std::string>(parts.begin() + 2, parts.end()));
  writeScratchFile("t.def", parts[1]);
  runGuarded([&] {
    TabulationState state;
    state.query = decodeFormData(parts[0]);
    state.defPath = "t.def";
    takeEarlyFormFields(state);
    if (readDefinition(state)) return;
    if (static_cast<int>(state.selections.size()) != state.selectionCount + 1 ||
        static_cast<int>(state.measures.size()) != state.measureCount + 1) {
      __builtin_trap();
    }
  });
  return 0;
}
