#include "temporary_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "dbf_table.h"
#include "random_name.h"

TemporaryFile::~TemporaryFile() {
  if (stream != nullptr) {
    std::fclose(stream);
  } else if (descriptor >= 0) {
    ::close(descriptor);
  }
}

Status openStream(TemporaryFile& file) {
  file.stream = ::fdopen(file.descriptor, "wb");
  if (file.stream == nullptr) return cannotWrite(file);
  return std::nullopt;
}

Failure cannotWrite(const TemporaryFile& file) {
  return runtimeError(tableMessage("", file.guard.path, " n\xE3o pode ser gravado"));
}

Status createTemporary(TemporaryFile& file, const std::string& target) {
  std::string path;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string random;
    if (Status failure = randomHexName(random)) return failure;
    path = target + "." + random + ".tmp";
    // Registered with the signals held, so that none comes between creation and registration.
    holdSignals();
    const int descriptor =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    const int error = errno;
    if (descriptor >= 0) {
      file.guard = RemovalGuard(path);
      file.descriptor = descriptor;
    }
    releaseSignals();
    if (descriptor >= 0) return std::nullopt;
    if (error != EEXIST) break;
  }
  return runtimeError(tableMessage("", path, " n\xE3o pode ser gravado"));
}

Status publishTemporary(TemporaryFile& file, const std::string& target) {
  bool closed = true;
  if (file.stream != nullptr) {
    closed = std::fflush(file.stream) == 0 && std::ferror(file.stream) == 0;
    closed = std::fclose(file.stream) == 0 && closed;
  } else if (file.descriptor >= 0) {
    closed = ::close(file.descriptor) == 0;
  }
  file.stream = nullptr;
  file.descriptor = -1;
  if (!closed || std::rename(file.guard.path.c_str(), target.c_str()) != 0) {
    return cannotWrite(file);
  }
  keepFile(file.guard);
  return std::nullopt;
}
