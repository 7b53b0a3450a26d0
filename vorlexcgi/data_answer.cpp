// The answers for scripts: header, status and body.
#include "data_answer.h"

#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>

#include "form_fields.h"
#include "form_input.h"
#include "jsonstat_output.h"
#include "modern_texts.h"
#include "output.h"
#include "published_cells.h"
#include "removal_registry.h"
#include "request_guards.h"
#include "tidy_csv.h"

namespace {

const char* reasonPhrase(DataStatus status) {
  switch (status) {
    case DataStatus::badRequest:
      return "400 Bad Request";
    case DataStatus::notFound:
      return "404 Not Found";
    case DataStatus::siteFault:
      break;
  }
  return "500 Internal Server Error";
}

// A name for the CSV file a browser saves: the definition's, letters, digits, "-" and "_" kept.
std::string fileNameOf(const std::string& definitionName) {
  std::string name;
  for (const char c : definitionName) {
    const bool plain = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                       c == '-' || c == '_';
    name += plain ? c : '_';
  }
  return name.empty() ? "tabela" : name;
}

// The texts below are written whole, also by the signal handler after SIGXCPU, so they carry
// their own line ends, as the log line does.
void appendLine(std::string& text, std::string_view line) {
  text += line;
  text += '\r';
  text += '\n';
}

// The header lines and the empty line after them; `status` is empty for a table.
std::string headerText(DataFormat format, const std::string& definitionName,
                       const std::string& status) {
  std::string text;
  if (!status.empty()) appendLine(text, "Status: " + status);
  if (format == DataFormat::jsonStat) {
    appendLine(text, "Content-Type: application/json; charset=utf-8");
  } else {
    appendLine(text, "Content-Type: text/csv; charset=utf-8");
    appendLine(text,
               "Content-Disposition: inline; filename=\"" + fileNameOf(definitionName) + ".csv\"");
  }
  // The data is public, and a script on another site may read it. Request text stands in the
  // answer as asked: no browser may read it as a page.
  appendLine(text, "Access-Control-Allow-Origin: *");
  appendLine(text, "X-Content-Type-Options: nosniff");
  appendLine(text, "");
  return text;
}

std::string errorBody(DataFormat format, DataStatus status, std::string_view text) {
  const std::string reason = plainUtf8(text);
  std::string body;
  if (format == DataFormat::tidyCsv) {
    appendLine(body, "# " + reason);
  } else {
    const nlohmann::ordered_json error = {{"error", reason}, {"status", static_cast<int>(status)}};
    appendLine(body, error.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace));
  }
  return body;
}

}  // namespace

DataFormat dataFormatOf(const std::string& query) {
  const std::string format = formValue(query, formField::format);
  if (format == formatValue::jsonStat) return DataFormat::jsonStat;
  if (format == formatValue::tidyCsv) return DataFormat::tidyCsv;
  return DataFormat::none;
}

DataStatus dataStatusOf(EndReason reason) {
  switch (reason) {
    case EndReason::missingDefinition:
      return DataStatus::notFound;
    case EndReason::rowNotDefined:
    case EndReason::columnNotDefined:
    case EndReason::noPeriod:
    case EndReason::noMeasure:
    case EndReason::rowEqualsColumn:
    case EndReason::noCategory:
    case EndReason::measuresWithColumn:
    case EndReason::tableTooLarge:
    case EndReason::stockOverPeriods:
    case EndReason::percentageWithoutVariable:
    // Not an end for scripts: they are answered the totals, 0.
    case EndReason::noRecords:
      return DataStatus::badRequest;
    case EndReason::refusedConversion:
    case EndReason::siteFault:
      break;
  }
  return DataStatus::siteFault;
}

Ending nothingAsked(const TabulationState& state) {
  if (state.measureCount == 0) {
    return RequestEnd{EndReason::noMeasure,
                      Failure{nonsenseMessage(Nonsense::noMeasure, state.language), true, 0},
                      {}};
  }
  if (state.files.empty()) {
    return RequestEnd{EndReason::noPeriod,
                      Failure{nonsenseMessage(Nonsense::noPeriod, state.language), true, 0},
                      {}};
  }
  return std::nullopt;
}

void answerCpuLimitIn(const TabulationState& state, DataFormat format) {
  std::string answer;
  if (!state.fromFile) {
    answer = headerText(format, state.definitionName, reasonPhrase(DataStatus::siteFault));
  }
  replaceCpuMessage(answer + errorBody(format, DataStatus::siteFault,
                                       cpuLimitMessage(state.settings.cpuSeconds)));
}

void writeDataAnswer(const TabulationState& state, const ResultModel& model, DataFormat format) {
  if (!state.fromFile) writeText(stdout, headerText(format, state.definitionName, ""));
  if (format == DataFormat::jsonStat) {
    writeJsonStat(stdout, model);
  } else {
    writeTidyCsv(stdout, model);
  }
}

void writeDataError(const TabulationState& state, DataFormat format, DataStatus status,
                    std::string_view text) {
  if (!state.fromFile) {
    writeText(stdout, headerText(format, state.definitionName, reasonPhrase(status)));
  }
  writeText(stdout, errorBody(format, status, text));
}

int endDataRequest(const TabulationState& state, DataFormat format, const RequestEnd& end) {
  const DataStatus status = dataStatusOf(end.reason);
  // A selection's refusal ends the request with nothing more to say on the page, which has
  // shown it before its head.
  std::string text = end.classic.text;
  if (text.empty() && !state.selectionRefusals.empty()) {
    text = state.selectionRefusals.front().text;
  }
  writeDataError(state, format, status, text);
  const int written = finishOutput();
  if (written != 0) return written;
  return status == DataStatus::siteFault ? end.classic.status : 0;
}
