#include <cstdio>
#include <new>
#include <stdexcept>

#include "page_flow.h"
#include "request_guards.h"
#include "site_settings.h"

int main(int argc, char** argv) {
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
