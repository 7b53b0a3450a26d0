#include "engine.h"

void tabulateFile(TabulationState&, const std::string&) {}
double measureValue(std::string_view) { return 0; }
