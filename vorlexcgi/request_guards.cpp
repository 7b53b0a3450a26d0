#include "request_guards.h"

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "output.h"
#include "removal_registry.h"

namespace {

// SIGXCPU comes at the soft limit; the hard limit, a little later, kills a process whose handler
// could not end it.
constexpr rlim_t kHardLimitMargin = 5;

}  // namespace

std::string cpuLimitMessage(int seconds) {
  return "<H2>A tabula\xE7\xE3o passou de " + std::to_string(seconds) +
         (seconds == 1 ? " segundo" : " segundos") +
         " e foi interrompida: escolha menos per\xEDodos ou conte\xFA"
         "dos, ou selecione "
         "categorias</H2>\r\n</BODY></HTML>";
}

void guardRequest(const SiteSettings& settings) {
  installRemovalOnSignals(cpuLimitMessage(settings.cpuSeconds));
  rlimit limit{};
  if (getrlimit(RLIMIT_CPU, &limit) != 0) return;
  // A lower limit set by the server stays.
  const auto wanted = static_cast<rlim_t>(settings.cpuSeconds);
  const rlim_t hard = limit.rlim_max;
  limit.rlim_cur = hard == RLIM_INFINITY ? wanted : std::min(wanted, hard);
  limit.rlim_max =
      hard == RLIM_INFINITY ? wanted + kHardLimitMargin : std::min(wanted + kHardLimitMargin, hard);
  setrlimit(RLIMIT_CPU, &limit);
}

int endForLackOfMemory() {
  removeRegisteredPaths();
  writeLine(stdout, "Excedeu mem\xF3ria");
  std::fflush(stdout);
  return 1;
}
