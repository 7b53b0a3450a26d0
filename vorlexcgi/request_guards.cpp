#include "request_guards.h"

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <new>
#include <stdexcept>
#include <string>

#include "output.h"
#include "page_flow.h"
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

int runGuardedRequest(int argc, char** argv) {
  TabulationState state;
  state.settings = readSiteSettings();
  guardRequest(state.settings);
  int status = 0;
  try {
    status = runRequest(state, argc, argv);
  } catch (const std::bad_alloc&) {
    status = endForLackOfMemory();
  } catch (const std::length_error&) {
    // A size beyond what any allocation could hold.
    status = endForLackOfMemory();
  }
  std::fflush(stdout);
  return status;
}
