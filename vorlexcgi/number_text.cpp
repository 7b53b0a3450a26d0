#include "number_text.h"

#include <cmath>

double roundHalfAway(double value, int) { return std::round(value); }
std::string numberText(double value, int, char, char) { return std::to_string(value); }
