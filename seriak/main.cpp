#include "municipality_index.h"
#include "removal_registry.h"

int main(int argc, char** argv) {
  installRemovalOnSignals();
  return runSeriak(argc, argv);
}
