#include "text_limits.h"

std::string cut(std::string_view text, std::size_t limit) {
  return std::string(text.substr(0, limit));
}
