#include "random_name.h"

#include <sys/random.h>

#include <cerrno>
#include <cstdint>

Status randomHexName(std::string& name) {
  unsigned char bytes[8];
  std::size_t got = 0;
  while (got < sizeof bytes) {
    const ssize_t count = getrandom(bytes + got, sizeof bytes - got, 0);
    if (count < 0) {
      if (errno == EINTR) continue;
      return runtimeError("sem fonte de n\xFAmeros aleat\xF3rios");
    }
    got += static_cast<std::size_t>(count);
  }
  static constexpr char kDigits[] = "0123456789abcdef";
  name.clear();
  for (unsigned char byte : bytes) {
    name += kDigits[byte >> 4];
    name += kDigits[byte & 15];
  }
  return std::nullopt;
}
