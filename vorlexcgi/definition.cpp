#include "definition.h"

void readDefinition(TabulationState&) {}
