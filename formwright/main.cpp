#include "form_page.h"

int main(int argc, char** argv) { return runFormwright(argc, argv); }
