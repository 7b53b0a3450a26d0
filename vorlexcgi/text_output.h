// The result as text inside the page (pre, prn and notebook formats) and the CSV copy.
#pragma once

#include <string>
#include <string_view>

#include "state.h"

void writePreformatted(TabulationState& state);
void writeSeparated(TabulationState& state, char separator);
void writeNotebook(TabulationState& state, char separator);
std::string underscoresToSpaces(std::string_view text);
int numberWidth(int decimals, double value);
