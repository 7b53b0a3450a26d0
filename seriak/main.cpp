#include "municipality_index.h"

int main(int argc, char** argv) { return runSeriak(argc, argv); }
