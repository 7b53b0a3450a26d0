#include "copies.h"

#include <cstdio>

void writeCopiesAndLinks(TabulationState& state) {
  if (state.suppressCopies) return;
  for (const std::string& line : state.footerLines) writeLine(stdout, line);
}

void writeTableBlock(const TabulationState&) {}
