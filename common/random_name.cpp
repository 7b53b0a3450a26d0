#include "random_name.h"

#include <sys/random.h>

#include <cerrno>
#include <cstdint>

#include "output.h"

std::string randomHexName() {
  unsigned char bytes[8];
  std::size_t got = 0;
  while (got < sizeof bytes) {
    const ssize_t count = getrandom(bytes + got, sizeof bytes - got, 0);
    if (count < 0) {
      if (errno == EINTR) continue;
      runtimeFailure("sem fonte de n\xFAmeros aleat\xF3rios");
    }
    got += static_cast<std::size_t>(count);
  }
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  for (unsigned char byte : bytes) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 15];
  }
  return text;
}
