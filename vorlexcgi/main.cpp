#include "request_guards.h"

int main(int argc, char** argv) { return runGuardedRequest(argc, argv); }
