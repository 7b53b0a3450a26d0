#include <cstdio>

#include "page_flow.h"

int main(int argc, char** argv) {
  TabulationState state;
  const int status = runRequest(state, argc, argv);
  std::fflush(stdout);
  return status;
}
