// Numbers as the pages and copies write them, rounded half away from zero on the exact binary
// value (3.125 with 2 decimals gives 3.13).
#pragma once

#include <string>

double roundHalfAway(double value, int decimals);
// Rounded to `decimals`, thousands separated, "-" for negatives (never for a value that rounds
// to zero).
std::string numberText(double value, int decimals, char thousandsSeparator, char decimalSeparator);
