// vorlexcgi without the chart below the modern result, to time what the chart adds to a page:
// this program's own writeResultChart, which writes nothing, takes the place of the library's,
// whose object file the linker then never pulls in. Otherwise the very program: run it beside
// vorlexcgi on the same query.txt and definition.
#include "request_guards.h"
#include "result_chart.h"

void writeResultChart(const ResultModel&) {}

int main(int argc, char** argv) { return runGuardedRequest(argc, argv); }
