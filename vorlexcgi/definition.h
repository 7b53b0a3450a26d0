// Reads the tabulation definition (state.defPath) together with the posted choices: title, texts,
// options, the data file pattern, the row and column lines, the measures and the selections.
#pragma once

#include "state.h"

// An unreadable file, a rate's number that cannot be read or a selection value that is not an
// integer fails. A selection whose conversion file the loader refuses does not: its refusal is
// kept in state.selectionRefusals for the page, and the reading goes on.
[[nodiscard]] Status readDefinition(TabulationState& state);
