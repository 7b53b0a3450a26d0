// Reads the tabulation definition (state.defPath) together with the posted choices: title, texts,
// options, the data file pattern, the row and column lines, the measures and the selections.
#pragma once

#include "state.h"

void readDefinition(TabulationState& state);
