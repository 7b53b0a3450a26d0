#include "text_helpers.h"

#include <cstdlib>

#include "output.h"
#include "text_limits.h"

std::string pendingMessage;

std::string getEnv(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : cut(value, kMaxText);
}

std::string htmlAccents(std::string_view text) { return cut(text, kMaxText); }

void writePendingMessage() { writeLine(stdout, pendingMessage); }

std::int32_t larger(std::int32_t a, std::int32_t b) { return a > b ? a : b; }

std::string removeSpaces(std::string_view text) { return std::string(text); }
std::string digitsOnly(std::string_view text) { return std::string(text); }
std::string normalizeDimensionLine(std::string_view line) { return std::string(line); }
std::string splitAtComma(std::string& text, std::size_t limit) {
  return splitAtChar(text, limit, ',');
}
std::string splitAtChar(std::string& text, std::size_t, char) {
  std::string head = text;
  text.clear();
  return head;
}
std::string upperAscii(std::string_view text) { return std::string(text); }
std::string lowerAscii(std::string_view text) { return std::string(text); }
std::string trimSpaces(std::string_view text) { return std::string(text); }
std::string trimBlanks(std::string_view text) { return std::string(text); }
std::string htmlEscape(std::string_view text) { return std::string(text); }
bool tryInteger(std::string_view, std::int32_t& value) {
  value = 0;
  return false;
}
std::int32_t requireInteger(std::string_view text) {
  runtimeFailure("'" + std::string(text) + "' n\xE3o \xE9 um inteiro v\xE1lido");
}
bool tryReal(std::string_view, double& value) {
  value = 0;
  return false;
}
double requireReal(std::string_view text) {
  runtimeFailure("'" + std::string(text) + "' n\xE3o \xE9 um n\xFAmero v\xE1lido");
}
