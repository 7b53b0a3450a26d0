#include "form_page.h"

int runFormwright(int, char**) { return 0; }
