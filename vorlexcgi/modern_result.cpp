// The modern result page around the outputs: the frame shared with the form, the table or the
// text of the result, the download links, and the refusals that name what to change.
#include "modern_result.h"

#include <cstdio>

#include "copies.h"
#include "form_fields.h"
#include "form_input.h"
#include "messages.h"
#include "modern_page.h"
#include "modern_table.h"
#include "number_text.h"
#include "output.h"
#include "result_chart.h"
#include "result_map.h"
#include "table_links.h"
#include "text_helpers.h"
#include "text_limits.h"
#include "text_output.h"

namespace {

void writeOut(std::string_view text) { writeLine(stdout, text); }

bool columnChosen(const TabulationState& state) {
  return !state.columnChoice.empty() && state.columnChoice != kNoColumn;
}

// The field of a matched Linha or Coluna line; empty for one the definition does not have.
std::string choiceField(const std::string& choice, bool matched) {
  return matched ? dimensionFieldName(choice) : std::string();
}

// A classic message without its markup: the headings and line breaks around it, and the closing
// tags some ends carry. What it quotes from the request is escaped, so no "<" of it is lost.
std::string withoutTags(std::string_view text) {
  std::string result;
  bool inTag = false;
  for (const char c : text) {
    if (c == '<') {
      inTag = true;
    } else if (c == '>' && inTag) {
      inTag = false;
    } else if (!inTag) {
      result += c;
    }
  }
  return trimBlanks(result);
}

// The ends that nonsenseEnd hands back: on the modern page these have all their reasons listed.
bool refusedAsNonsense(EndReason reason) {
  switch (reason) {
    case EndReason::noPeriod:
    case EndReason::noMeasure:
    case EndReason::rowEqualsColumn:
    case EndReason::noCategory:
    case EndReason::measuresWithColumn:
    case EndReason::stockOverPeriods:
    case EndReason::percentageWithoutVariable:
      return true;
    default:
      return false;
  }
}

// A dimension's name as the form shows it.
std::string shownChoice(const std::string& choice) {
  return htmlAccents(trimSpaces(cut(choice, kMaxName)));
}

// "12 bytes", "1,5 kB", "2,3 MB", in the language's decimal separator.
std::string sizeText(long long bytes, const TabulationState& state) {
  if (bytes < 1000) return std::to_string(bytes) + " bytes";
  const bool mega = bytes >= 1000 * 1000;
  const double value = static_cast<double>(bytes) / (mega ? 1e6 : 1e3);
  return numberText(value, 1, state.thousandsSeparator, state.decimalSeparator) +
         (mega ? " MB" : " kB");
}

std::string copyLink(const TabulationState& state, const std::string& name, ModernText text,
                     const char* type, const char* kind) {
  const long long size = copySize(name);
  const std::string about = size < 0 ? kind : std::string(kind) + ", " + sizeText(size, state);
  return "<li><a href=\"/csv/" + htmlEscape(name) + "\" download type=\"" + type + "\">" +
         modernText(text, state.language) + " (" + about + ")</a></li>";
}

Status writeCopyLinks(TabulationState& state, const ResultModel& model) {
  bool written = false;
  if (Status failure = writeCopies(state, model, written)) return failure;
  if (!written) return std::nullopt;
  writeOut("<div class=\"vx-copias\">");
  writeOut("<h2>" + modernText(ModernText::copies, state.language) + "</h2>");
  writeOut("<ul>");
  writeOut(copyLink(state, state.csvFileName, ModernText::csvCopy, "text/csv", "CSV"));
  writeOut(copyLink(state, state.tabFileName, ModernText::tabCopy, "text/plain", "TAB"));
  writeOut("</ul>");
  writeOut("</div>");
  return std::nullopt;
}

void writeBackToForm(const TabulationState& state) {
  writeOut("<p><a href=\"formwright.exe?" + htmlEscape(state.definitionName) + "\">" +
           modernText(ModernText::backToForm, state.language) + "</a></p>");
}

void writePageEnd(const TabulationState& state) {
  writeModernMainEnd(state.footerLines);
  writeOut("</body>");
  writeOut("</html>");
}

}  // namespace

bool modernPageAsked(const TabulationState& state) {
  return state.modern && formValue(state.query, formField::format) != formatValue::notebook;
}

void writeModernPageHead(TabulationState& state) {
  writeModernHead(
      {state.title, state.language, state.styleSheetsOn, state.styleSheet, state.printStyleSheet});
  writeModernBodyStart(state.headerLines);
  state.modernStage = TabulationState::ModernStage::head;
}

std::vector<NonsenseFound> nonsenseFound(const TabulationState& state) {
  const Language language = state.language;
  std::vector<NonsenseFound> found;
  const auto add = [&found, language](Nonsense reason, std::string_view subject = {},
                                      const std::vector<std::string>& alternatives = {}) {
    found.push_back({reason, nonsenseMessage(reason, language, subject, alternatives)});
  };
  if (state.measureCount == 0) add(Nonsense::noMeasure);
  if (state.files.empty()) add(Nonsense::noPeriod);
  const bool column = columnChosen(state);
  if (column && state.rowChoiceMatched && state.columnChoiceMatched &&
      state.rowChoice == state.columnChoice) {
    add(Nonsense::rowEqualsColumn, shownChoice(state.rowChoice));
  }
  if (column && state.measureCount > 1) add(Nonsense::measuresWithColumn);
  const std::string rowField = choiceField(state.rowChoice, state.rowChoiceMatched);
  const std::string columnField =
      column ? choiceField(state.columnChoice, state.columnChoiceMatched) : std::string();
  for (int m = 1; m <= state.measureCount; ++m) {
    const MeasureSpec& measure = state.measures[m];
    const bool stockOverPeriods = measure.isStock && state.files.size() > 1;
    if (!measure.isPercentage && !stockOverPeriods) continue;
    if (measure.secondField == rowField || measure.secondField == columnField) continue;
    add(measure.isPercentage ? Nonsense::percentageWithoutVariable : Nonsense::stockOverPeriods,
        htmlAccents(measure.name),
        namesOnField(state.offeredRows, state.offeredColumns, measure.secondField));
  }
  for (const std::string& selection : state.emptySelections) add(Nonsense::noCategory, selection);
  return found;
}

Ending nonsenseEnd(const TabulationState& state) {
  const std::vector<NonsenseFound> found = nonsenseFound(state);
  if (found.empty()) return std::nullopt;
  EndReason reason = EndReason::noPeriod;
  switch (found.front().reason) {
    case Nonsense::noPeriod:
      reason = EndReason::noPeriod;
      break;
    case Nonsense::noMeasure:
      reason = EndReason::noMeasure;
      break;
    case Nonsense::percentageWithoutVariable:
      reason = EndReason::percentageWithoutVariable;
      break;
    case Nonsense::measuresWithColumn:
      reason = EndReason::measuresWithColumn;
      break;
    case Nonsense::stockOverPeriods:
      reason = EndReason::stockOverPeriods;
      break;
    case Nonsense::rowEqualsColumn:
      reason = EndReason::rowEqualsColumn;
      break;
    case Nonsense::noCategory:
      reason = EndReason::noCategory;
      break;
  }
  return RequestEnd{reason, Failure{found.front().message, true, 0}, {}};
}

int writeModernEnd(const TabulationState& state, const RequestEnd& end) {
  using Stage = TabulationState::ModernStage;
  if (state.modernStage == Stage::closed) {
    // The page is whole; what failed after it (the log) follows it, as on the classic page.
    return endWith(end.classic);
  }
  if (state.modernStage == Stage::head) {
    writeOut("<h1 class=\"Nivel0\">" + modernTitle(state.title) + "</h1>");
  }
  writeOut("<div class=\"vx-mensagem\">");
  const std::vector<NonsenseFound> found =
      refusedAsNonsense(end.reason) ? nonsenseFound(state) : std::vector<NonsenseFound>();
  if (!found.empty()) {
    writeOut("<h2>" + modernText(ModernText::refused, state.language) + "</h2>");
    writeOut("<ul>");
    for (const NonsenseFound& reason : found) writeOut("<li>" + reason.message + "</li>");
    writeOut("</ul>");
  } else if (end.reason == EndReason::noRecords) {
    writeOut("<p>" + localMessage(PageText::noRecordSelected, state.language) + "</p>");
  } else {
    // The tabulator's own message: a refused conversion file (those of the selections were
    // kept for this place), a site fault, a choice the definition does not have.
    for (const Failure& refusal : state.selectionRefusals) writeOut("<p>" + refusal.text + "</p>");
    const std::string text = withoutTags(end.classic.text);
    if (!text.empty()) writeOut("<p>" + text + "</p>");
  }
  writeOut("</div>");
  writeBackToForm(state);
  writePageEnd(state);
  return finishOutput() == 0 ? end.classic.status : 1;
}

Status writeModernResult(TabulationState& state, const ResultModel& model) {
  const std::string format = formValue(state.query, formField::format);
  if (format == formatValue::table) {
    writeModernTable(model);
  } else if (format == formatValue::preformatted || format == formatValue::separated) {
    writeModernHeading(model);
    writeOut(
        "<div class=\"vx-texto\" role=\"region\" aria-labelledby=\"vx-titulo\" tabindex=\"0\">");
    if (format == formatValue::preformatted) {
      writePreformattedText(model);
    } else {
      writeSeparatedText(model, ';');
      writeOut("");
    }
    writeOut("</div>");
  }
  // Below the result, one block after another.
  writeResultChart(model);
  writeResultMap(model, state.rowDimension,
                 mapForRow(state.maps, formValue(state.query, formField::row)));
  if (state.tableLinks) writeModernTableLinks(state);
  if (Status failure = writeCopyLinks(state, model)) return failure;
  writeModernMainEnd(state.footerLines);
  return std::nullopt;
}
