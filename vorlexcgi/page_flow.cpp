#include "page_flow.h"

int runRequest(TabulationState&, int, char**) { return 0; }
