// The ten page messages in three languages, and the number separators of each language.
#pragma once

#include <string>

#include "state.h"

// Message n (1..10) of the language, through htmlAccents.
std::string localMessage(int n, Language language);
void setNumberSeparators(TabulationState& state);
