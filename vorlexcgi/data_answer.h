// The answers for scripts, asked for by formato=jsonstat or formato=csv (posted, or in a GET
// address): the CGI header naming the type and, for an early end, the HTTP status; then the
// body in the format asked for. Such a request writes no page: its header waits until the
// status is known. A run by hand ("query.txt") writes the body alone, as it writes no header
// for a page.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "request_end.h"
#include "result_model.h"
#include "state.h"

enum class DataFormat : std::uint8_t { none, jsonStat, tidyCsv };
DataFormat dataFormatOf(const std::string& query);

// The HTTP statuses of an early end.
enum class DataStatus : std::uint16_t {
  badRequest = 400,  // a choice the definition cannot answer
  notFound = 404,    // no such definition
  siteFault = 500,   // a file of the site missing, unreadable or refused; a write that failed
};
DataStatus dataStatusOf(EndReason reason);

// A request for scripts with no measure or no data file asks for a table without cells: it is
// refused, in the modern page's words, where the classic page shows that nothing was counted.
Ending nothingAsked(const TabulationState& state);

// From here on the end by processor time (SIGXCPU) answers in the format, a site fault.
void answerCpuLimitIn(const TabulationState& state, DataFormat format);

void writeDataAnswer(const TabulationState& state, const ResultModel& model, DataFormat format);
// `text` is the classic text of the end (tags and entities are taken out for the reason).
void writeDataError(const TabulationState& state, DataFormat format, DataStatus status,
                    std::string_view text);
// The early end as an answer in the format; returns the exit status: the end's own for a fault
// of the site, 0 for the others, 1 whenever standard output could not be written whole.
int endDataRequest(const TabulationState& state, DataFormat format, const RequestEnd& end);
