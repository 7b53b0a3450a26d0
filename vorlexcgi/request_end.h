// How a request ends before its table. Each check composes its end where it finds the request
// wanting and hands it back; runRequest alone writes it. The classic page writes the classic
// text; other answers (a script's format, the modern page) tell the reasons apart.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "failure.h"

enum class EndReason : std::uint8_t {
  missingDefinition,          // no definition by that name in the site
  rowNotDefined,              // Linha names no row line of the definition
  columnNotDefined,           // Coluna names no column line
  measuresWithColumn,         // several measures with a column dimension
  tableTooLarge,              // more cells than the site allows
  stockOverPeriods,           // a stock measure over several periods not split by period
  percentageWithoutVariable,  // a percentage whose variable is neither row nor column
  noRecords,                  // nothing was counted
  refusedConversion,          // the loader refused a conversion file of the definition
  siteFault,  // a file of the site missing, unreadable or broken; a write that failed
  // Refused by the modern page alone, which names every choice to change at once; the reason is
  // the first of them.
  noPeriod,         // no period chosen
  noMeasure,        // no measure chosen
  rowEqualsColumn,  // the same variable as row and column
  noCategory,       // a selection the form listed, with no category chosen
};

struct RequestEnd {
  EndReason reason = EndReason::siteFault;
  Failure classic;      // the classic page's text, line end and exit status
  std::string subject;  // the measure or dimension the reason concerns, as the definition names it
};

// Empty while the request goes on.
using Ending = std::optional<RequestEnd>;

// A failure of library code as the end of a request: a refusal of the loader (status 0) or a
// fault of the site.
inline RequestEnd endFor(Failure failure) {
  const EndReason reason =
      failure.status == 0 ? EndReason::refusedConversion : EndReason::siteFault;
  return RequestEnd{reason, std::move(failure), {}};
}
