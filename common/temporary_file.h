// A file written beside its target and renamed into place when whole, so that a reader sees the
// old file or the new one, never half of one: the index and the column files. Its name has a
// random part nobody can foresee, it is created anew (never through a link planted there), and
// it is removed on every way out but publication, signals included.
#pragma once

#include <cstdio>
#include <string>

#include "failure.h"
#include "removal_registry.h"

struct TemporaryFile {
  RemovalGuard guard;  // guard.path is the temporary name
  int descriptor = -1;
  std::FILE* stream = nullptr;  // when written through a stream: it owns the descriptor

  TemporaryFile() = default;
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile();
};

// Creates `target` + "." + 16 random hex digits + ".tmp" for writing. Fails with an "Erro: "
// line naming it.
[[nodiscard]] Status createTemporary(TemporaryFile& file, const std::string& target);
// A stream over the descriptor, for writing lines.
[[nodiscard]] Status openStream(TemporaryFile& file);
// Closes the file (flushing its stream) and renames it onto `target`. On failure the temporary
// file is removed.
[[nodiscard]] Status publishTemporary(TemporaryFile& file, const std::string& target);
// The "Erro: " line that names the temporary file (escaped) as one that cannot be written.
Failure cannotWrite(const TemporaryFile& file);
