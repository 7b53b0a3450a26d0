#include "output.h"

#include <sys/time.h>

#include <cstdlib>
#include <ctime>
#include <string>

void writeText(std::FILE* file, std::string_view text) {
  if (!text.empty()) std::fwrite(text.data(), 1, text.size(), file);
}

std::string lineOf(std::string_view text) {
  std::string line(text);
  line += "\r\n";
  return line;
}

void writeLine(std::FILE* file, std::string_view text) {
  writeText(file, text);
  writeText(file, "\r\n");
}

Status writeFailure(std::FILE* file) {
  if (std::ferror(file) == 0) return std::nullopt;
  return runtimeError("falha ao gravar arquivo");
}

int endWith(const Failure& failure) {
  writeText(stdout, failure.text);
  if (failure.lineEnd) writeText(stdout, "\r\n");
  return finishOutput() == 0 ? failure.status : 1;
}

int finishOutput() {
  const bool written = std::fflush(stdout) == 0 && std::ferror(stdout) == 0;
  return written ? 0 : 1;
}

std::string twoDigits(int value) {
  return std::string(1, static_cast<char>('0' + value / 10 % 10)) +
         static_cast<char>('0' + value % 10);
}

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
