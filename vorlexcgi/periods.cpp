#include "periods.h"

std::vector<std::string> selectFilesForPeriods(const std::string&, const std::string&) {
  return {};
}
std::vector<std::string> periodCodesOf(const std::vector<std::string>&) { return {}; }
std::string periodDescription(const std::vector<std::string>&, int) { return ""; }
