#include "municipality_index.h"

#include <cstdio>

#include "output.h"

int runSeriak(int argc, char**) {
  if (argc < 3) writeLine(stdout, "Sintaxe: Seriak <CAMPO_MUN> <SPEC_ARQUIVOS>");
  return 0;
}
