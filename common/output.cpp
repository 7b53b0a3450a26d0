#include "output.h"

#include <sys/time.h>

#include <cstdlib>
#include <ctime>
#include <string>

StopHandler stopHandler = nullptr;

namespace {

[[noreturn]] void endProcess(int status) {
  if (stopHandler != nullptr) stopHandler(status);
  std::exit(status);
}

}  // namespace

void writeText(std::FILE* file, std::string_view text) {
  if (!text.empty() && std::fwrite(text.data(), 1, text.size(), file) != text.size()) {
    // A file the program writes (a copy, an index) is full or broken: say so on the page or
    // console. When standard output itself is broken, nothing useful can be written.
    if (file != stdout) stopWithLine("Erro: falha ao gravar arquivo");
    endProcess(1);
  }
}

void writeLine(std::FILE* file, std::string_view text) {
  writeText(file, text);
  writeText(file, "\r\n");
}

void stopWithText(std::string_view text) {
  writeText(stdout, text);
  std::fflush(stdout);
  endProcess(1);
}

void stopWithLine(std::string_view text) {
  writeLine(stdout, text);
  std::fflush(stdout);
  endProcess(1);
}

void runtimeFailure(std::string_view what) { stopWithLine("Erro: " + std::string(what)); }

LocalTime currentTime() {
  LocalTime now;
  if (const char* fixed = std::getenv("VORLEX_FIXED_TIME")) {
    if (std::sscanf(fixed, "%d-%d-%d %d:%d:%d.%d", &now.year, &now.month, &now.day, &now.hour,
                    &now.minute, &now.second, &now.millisecond) >= 6) {
      return now;
    }
  }
  timeval tv{};
  gettimeofday(&tv, nullptr);
  std::tm parts{};
  localtime_r(&tv.tv_sec, &parts);
  now.year = parts.tm_year + 1900;
  now.month = parts.tm_mon + 1;
  now.day = parts.tm_mday;
  now.hour = parts.tm_hour;
  now.minute = parts.tm_min;
  now.second = parts.tm_sec;
  now.millisecond = static_cast<int>(tv.tv_usec / 1000);
  return now;
}

std::int64_t currentFileTime() { return static_cast<std::int64_t>(std::time(nullptr)); }
