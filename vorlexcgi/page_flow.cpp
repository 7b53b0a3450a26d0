// The request from start to end, in the order the page is written: form data, definition, page
// head, dimensions, checks, tabulation, derived values, the table, copies and links, closing tags
// and the monthly log line. Every early end is handed back to runRequest, which writes it.
#include "page_flow.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unordered_set>
#include <vector>

#include "confidentiality.h"
#include "copies.h"
#include "data_answer.h"
#include "definition.h"
#include "engine.h"
#include "file_search.h"
#include "form_fields.h"
#include "form_input.h"
#include "html_table.h"
#include "messages.h"
#include "modern_result.h"
#include "output.h"
#include "page_head.h"
#include "periods.h"
#include "postprocess.h"
#include "removal_registry.h"
#include "request_end.h"
#include "result_model.h"
#include "table_links.h"
#include "text_helpers.h"
#include "text_limits.h"
#include "text_output.h"

namespace {

// The classic early ends that close the page: their text, then the closing tags without a line
// end, status 0.
RequestEnd closingEnd(EndReason reason, const std::string& text, std::string subject = {}) {
  return RequestEnd{reason, Failure{lineOf(text) + "</BODY></HTML>", false, 0}, std::move(subject)};
}

// The classic early ends that leave the page open: one line, status 0.
RequestEnd openEnd(EndReason reason, const std::string& line, std::string subject = {}) {
  return RequestEnd{reason, Failure{line, true, 0}, std::move(subject)};
}

// Argument 1, or the query text when the server passed none and it is not form data, or the
// name among the fields of a GET address (a server passes no argument when the query holds "=").
std::string definitionNameOf(int argc, char** argv) {
  if (argc > 1) return argv[1];
  const std::string query = getEnv("QUERY_STRING");
  return query.find('=') == std::string::npos ? query : addressDefinitionName();
}

void writePageHead(const TabulationState& state) {
  writeClassicHeadStart(
      {state.title, state.styleSheetsOn, state.styleSheet, state.printStyleSheet, true});
  writeLine(stdout, "</HEAD>");
  writeLine(stdout, "<BODY>");
  for (const std::string& line : state.headerLines) writeLine(stdout, line);
}

// A posted Linha or Coluna that names no line of the definition is never loaded: it would choose
// the conversion file or table that the program opens.
Ending choicesDefined(const TabulationState& state) {
  if (!state.rowChoice.empty() && !state.rowChoiceMatched) {
    return openEnd(EndReason::rowNotDefined,
                   "<H2>Linha nao definida: " + htmlEscape(state.rowChoice) + "</H2>",
                   state.rowChoice);
  }
  if (!state.columnChoice.empty() && state.columnChoice != kNoColumn &&
      !state.columnChoiceMatched) {
    return openEnd(EndReason::columnNotDefined,
                   "<H2>Coluna nao definida: " + htmlEscape(state.columnChoice) + "</H2>",
                   state.columnChoice);
  }
  return std::nullopt;
}

// The names as the page shows them. A name that matched no definition line is request text.
// Such a measure leaves every data file out alike, so only the first is kept: a request cannot
// multiply the columns (and the memory) with names the definition does not offer.
void prepareMeasureNames(TabulationState& state) {
  std::vector<MeasureSpec> kept(1);
  bool unmatchedKept = false;
  for (int m = 1; m <= state.measureCount; ++m) {
    MeasureSpec& measure = state.measures[m];
    measure.name = trimSpaces(cut(measure.name, kMaxName));
    const bool matched =
        measure.isStock || measure.isPercentage || measure.isRate || measure.multiplier != 0;
    if (!matched) {
      if (unmatchedKept) continue;
      unmatchedKept = true;
      measure.name = htmlEscape(measure.name);
    }
    kept.push_back(std::move(measure));
  }
  state.measures = std::move(kept);
  state.measureCount = static_cast<int>(state.measures.size()) - 1;
}

Ending loadTableDimensions(TabulationState& state) {
  if (Status failure = loadDimension(state.rowChoice, kMaxRowCategories + 1, state.rowDimension)) {
    return endFor(std::move(*failure));
  }
  // A selection's refusal has been shown before the page head; the request ends here, as it
  // always has, with nothing more written.
  if (!state.selectionRefusals.empty()) {
    return RequestEnd{EndReason::refusedConversion, Failure{"", false, 0}, {}};
  }
  state.rowCount = std::max(0, state.rowDimension.categoryCount);
  if (state.columnChoice.empty() || state.columnChoice == kNoColumn) {
    state.columnActive = false;
    state.columnCount = state.measureCount;
  } else {
    state.columnActive = true;
    if (Status failure =
            loadDimension(state.columnChoice, kMaxColumnCategories + 1, state.columnDimension)) {
      return endFor(std::move(*failure));
    }
    state.columnCount = std::max(0, state.columnDimension.categoryCount);
  }
  if (state.columnActive && state.measureCount > 1) {
    return openEnd(EndReason::measuresWithColumn,
                   "<H2>Multiplos conte\xFA"
                   "dos exigem coluna n\xE3o ativa</H2>");
  }
  return std::nullopt;
}

// The table the request asks for must fit the site's bound before anything is reserved for it;
// the copies are written from the same cells, so the bound holds their size too.
Ending tableWithinBound(const TabulationState& state) {
  const std::int64_t rows = state.rowCount;
  const std::int64_t columns = std::max(state.columnCount, 1);
  const std::int64_t cells = rows * columns;
  if (cells <= state.settings.maxCells) return std::nullopt;
  const std::string narrower = state.columnActive
                                   ? "uma Linha ou uma Coluna com menos categorias"
                                   : "uma Linha com menos categorias ou menos conte\xFA"
                                     "dos";
  return closingEnd(
      EndReason::tableTooLarge,
      "<H2>Tabela grande demais: " + std::to_string(rows) + " linhas x " + std::to_string(columns) +
          " colunas = " + std::to_string(cells) + " c\xE9lulas, acima do limite de " +
          std::to_string(state.settings.maxCells) + "; escolha " + narrower + "</H2>");
}

void reserveResultArrays(TabulationState& state) {
  const auto columns = static_cast<std::size_t>(state.columnCount) + 2;
  const auto rows = static_cast<std::size_t>(state.rowCount) + 2;
  state.valueCells.assign(columns, std::vector<double>(rows, 0.0));
  state.divisorCells.assign(columns, std::vector<double>(rows, 0.0));
  state.columnTotals.assign(columns - 1, 0.0);
  state.divisorColumnTotals.assign(columns - 1, 0.0);
  state.columnDecimals.assign(columns - 1, 0);
  if (state.smallCountLimit > 0) state.countCells.assign(columns, std::vector<double>(rows, 0.0));
}

Status chooseFiles(TabulationState& state, const NoteSink& notes) {
  const std::string periodo = formValue(state.query, formField::periods);
  state.files.clear();
  if (!periodo.empty()) {
    if (Status failure = selectFilesForPeriods(state.dataFileSpec, periodo, state.files)) {
      return failure;
    }
  } else {
    state.files = formValues(state.query, formField::files);
    // A posted name is opened inside the data directory only, and only when it is one of the
    // definition's data files.
    for (const std::string& name : dropInvalidFileNames(state.files, state.dataFileSpec)) {
      notes("Arquivo invalido: " + htmlEscape(name));
    }
  }
  state.periodCodes =
      periodCodesOf(keepDistinctFiles(state.files, directoryPart(state.dataFileSpec)));
  return std::nullopt;
}

// Stock measures must not be added over periods: with several files the period has to be a row
// or column dimension.
Ending periodsDiscriminated(TabulationState& state) {
  if (state.files.size() <= 1) return std::nullopt;
  for (int m = 1; m <= state.measureCount; ++m) {
    const MeasureSpec& measure = state.measures[m];
    if (!measure.isStock) continue;
    if (state.rowDimension.fieldName == measure.secondField) state.showTotalRow = false;
    const std::string& columnField = state.columnActive ? state.columnDimension.fieldName : "";
    if (columnField == measure.secondField) state.showTotalColumn = false;
    if (state.showTotalRow && state.showTotalColumn) {
      return closingEnd(
          EndReason::stockOverPeriods,
          lineOf("<H2>" + localMessage(PageText::attention, state.language) + "</H2><br>") +
              localMessage(PageText::forTablesOf, state.language) + " " + measure.name + ", " +
              localMessage(PageText::periodsInRowsOrColumns, state.language),
          measure.name);
    }
  }
  return std::nullopt;
}

Ending percentageBaseInTable(const TabulationState& state) {
  for (int m = 1; m <= state.measureCount; ++m) {
    const MeasureSpec& measure = state.measures[m];
    if (!measure.isPercentage) continue;
    const bool fails = state.columnActive
                           ? measure.secondField != state.rowDimension.fieldName &&
                                 measure.secondField != state.columnDimension.fieldName
                           : state.rowDimension.fieldName != measure.secondField;
    if (fails) {
      return closingEnd(EndReason::percentageWithoutVariable,
                        "<H3>" + localMessage(PageText::forTablesOf, state.language) + " " +
                            measure.name + ", " + measure.secondField + " " +
                            localMessage(PageText::mustBeRowOrColumn, state.language) + "</H3><br>",
                        measure.name);
    }
  }
  return std::nullopt;
}

Status tabulateFiles(TabulationState& state, const NoteSink& notes) {
  // The page so far reaches the server now: a request ended by its processor time adds its line
  // after it, never before the CGI header.
  std::fflush(stdout);
  const std::string directory = directoryPart(state.dataFileSpec);
  std::vector<std::string> paths;
  for (const std::string& name : state.files) paths.push_back(cut(directory + name, kMaxText));
  return tabulateDataFiles(state, paths, notes);
}

void computeDerivedValues(TabulationState& state) {
  if (state.columnActive) {
    if (state.measures[1].isRate) rateWithColumns(state);
    if (state.measures[1].isPercentage) percentWithColumns(state);
  } else {
    for (int m = 1; m <= state.measureCount; ++m) {
      if (state.measures[m].isRate) rateOfMeasure(state, m);
      if (state.measures[m].isPercentage) percentOfMeasure(state, m);
    }
  }
  state.rowOrder.assign(static_cast<std::size_t>(state.rowCount) + 1, 0);
  for (int r = 1; r <= state.rowCount; ++r) state.rowOrder[r] = r;
  if (formValue(state.query, formField::sortRows) == kSortRowsValue) {
    state.sortRows = true;
    sortRowOrder(state);
  }
  if (formValue(state.query, formField::zeroRows) == kShowZeroRowsValue) state.showZeroRows = true;
}

void writeResultTable(const TabulationState& state, const ResultModel& model) {
  const std::string format = formValue(state.query, formField::format);
  if (format == formatValue::table && model.styleSheetsOn) writeStyledTable(model);
  if (format == formatValue::table && !model.styleSheetsOn) writePlainTable(model);
  if (format == formatValue::preformatted) writePreformatted(model);
  if (format == formatValue::separated) writeSeparated(model, ';');
  if (format == formatValue::notebook) writeNotebook(model, ';');
}

// Milliseconds of the time of day; a request that passes midnight adds one day.
long elapsedMilliseconds(const LocalTime& start, const LocalTime& end) {
  auto ofDay = [](const LocalTime& t) {
    return ((t.hour * 60L + t.minute) * 60L + t.second) * 1000L + t.millisecond;
  };
  long elapsed = ofDay(end) - ofDay(start);
  if (end.hour < start.hour) elapsed += 24L * 60 * 60 * 1000;
  return elapsed;
}

// Nodes behind a load balancer share csv/, but appends from several hosts to one file on a
// network file system can overwrite each other: a node named by the site setting VORLEX_NODE
// appends to a log of its own, "_" + name before the extension. Anything but letters, digits
// and "-" becomes "_", so that the name stays one file in csv/.
std::string logNodeSuffix() {
  std::string node = getEnv("VORLEX_NODE");
  if (node.empty()) return node;
  for (char& c : node) {
    const bool plain =
        (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-';
    if (!plain) c = '_';
  }
  return "_" + node;
}

// A field of the log taken from the request or its environment: "|" would add a field and a
// control character a line, so "|" becomes "!" and each control character a space.
std::string logField(std::string_view text) {
  std::string field(text);
  for (char& c : field) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '|') {
      c = '!';
    } else if (byte < 32 || byte == 127) {
      c = ' ';
    }
  }
  return field;
}

// One line per request, appended with a single write so that concurrent requests never mix
// inside a line.
Status appendLogLine(const TabulationState& state) {
  // A GET address logs the length of its form part where a post logs its body's.
  const std::string contentLength =
      state.fromAddress ? std::to_string(state.addressLength) : getEnv("CONTENT_LENGTH");
  if (contentLength.empty() || !directoryExists("csv")) return std::nullopt;
  const LocalTime now = currentTime();
  const std::string path = std::string("csv") + state.pathSeparator + "vorlex" +
                           twoDigits(now.year) + twoDigits(now.month) + logNodeSuffix() + ".log";
  std::string line = "F " + twoDigits(now.day) + "/" + twoDigits(now.month) + "/" +
                     twoDigits(now.year) + " " + twoDigits(now.hour) + ":" + twoDigits(now.minute) +
                     ":" + twoDigits(now.second);
  line += "|" + logField(getEnv("QUERY_STRING")) + "|" + logField(contentLength) + "|" +
          std::to_string(state.files.size()) + "|" + logField(getEnv("REMOTE_ADDR"));
  const std::string agent = getEnv("HTTP_USER_AGENT");
  if (formValue(state.query, formField::format) == formatValue::notebook &&
      trimBlanks(agent).empty()) {
    line += "|caderno";
  } else {
    line += "|" + logField(agent);
  }
  line += "|" + std::to_string(elapsedMilliseconds(state.startTime, now));
  line += '\r';  // the line end goes out in the same write as the line
  line += '\n';
  // A signal waits until the line is whole, or taken back.
  holdSignals();
  const int file = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT, 0644);
  if (file < 0) {
    releaseSignals();
    return runtimeError("log " + path + " n\xE3o pode ser aberto");
  }
  const ssize_t written = write(file, line.data(), line.size());
  if (written > 0 && written != static_cast<ssize_t>(line.size())) {
    // A full disk cut the line: take the piece back, unless another request has appended
    // since, so that the log never holds half a line.
    const off_t end = lseek(file, 0, SEEK_CUR);
    struct stat info {};
    if (end >= written && fstat(file, &info) == 0 && info.st_size == end) {
      if (ftruncate(file, end - written) != 0) {
        // Nothing more can be done; the failure is reported below.
      }
    }
  }
  close(file);
  releaseSignals();
  if (written != static_cast<ssize_t>(line.size())) {
    return runtimeError("log " + path + " n\xE3o pode ser escrito");
  }
  return std::nullopt;
}

}  // namespace

void takeEarlyFormFields(TabulationState& state) {
  state.rowChoice = formValue(state.query, formField::row);
  state.columnChoice = formValue(state.query, formField::column);
  state.measures.assign(1, MeasureSpec{});
  // A measure named twice is counted once: the first keeps its place.
  std::unordered_set<std::string> seen;
  for (const std::string& name : formValues(state.query, formField::measure)) {
    if (!seen.insert(name).second) continue;
    MeasureSpec measure;
    measure.name = name;
    state.measures.push_back(measure);
  }
  state.measureCount = static_cast<int>(state.measures.size()) - 1;
  const std::string format = formValue(state.query, formField::format);
  if (format == formatValue::separated || format == formatValue::notebook) {
    state.suppressCopies = true;
  }
  state.selectionCount = 0;
  state.selections.assign(1, SelectionFilter{});
}

long requestElapsedMilliseconds(const LocalTime& start, const LocalTime& end) {
  return elapsedMilliseconds(start, end);
}

namespace {

// A request that counted nothing as the answers for scripts give it: the totals alone, each 0,
// where the page shows no table.
void keepTotalsAlone(TabulationState& state) {
  state.rowOrder.assign(static_cast<std::size_t>(state.rowCount) + 1, 0);
  for (int r = 1; r <= state.rowCount; ++r) state.rowOrder[r] = r;
  state.showTotalRow = true;
  state.showTotalColumn = true;
}

// The steps of a request in the order the page is written; an early end is handed back. An
// answer for scripts writes no page: the page's notes are dropped, and the answer is written
// once the request is logged.
Ending answerRequest(TabulationState& state, int argc, char** argv) {
  state.startTime = currentTime();
  state.pathSeparator = '/';
  state.definitionName = definitionNameOf(argc, argv);
  if (Status failure = readFormData(state)) return endFor(std::move(*failure));
  const DataFormat dataFormat = dataFormatOf(state.query);
  const bool page = dataFormat == DataFormat::none;
  const NoteSink notes = [page](std::string_view line) {
    if (page) writeLine(stdout, line);
  };
  if (!page) answerCpuLimitIn(state, dataFormat);

  const std::string wantedPath = cut(replaceExtension(state.definitionName, ".def"), kMaxText);
  takeEarlyFormFields(state);
  // A name that leaves the site is answered like one that does not exist.
  const std::string foundPath =
      staysInSite(state.definitionName) ? findFile(wantedPath) : std::string();
  if (foundPath.empty()) {
    return openEnd(EndReason::missingDefinition,
                   htmlEscape(wantedPath) + ": arquivo DEF nao encontrado");
  }
  state.defPath = foundPath;
  if (Status failure = readDefinition(state)) return endFor(std::move(*failure));
  // The modern page shows a selection's refusal in its place, inside the page; an answer for
  // scripts writes no page.
  const bool modern = page && modernPageAsked(state);
  if (modern) {
    writeModernPageHead(state);
  } else {
    for (const Failure& refusal : state.selectionRefusals) notes(refusal.text);
    if (page) writePageHead(state);
  }
  if (Ending end = choicesDefined(state)) return end;
  prepareMeasureNames(state);
  setNumberSeparators(state);
  // The modern page answers a request that makes no sense before any conversion file is read.
  if (modern) {
    if (Status failure = chooseFiles(state, notes)) return endFor(std::move(*failure));
    if (Ending end = nonsenseEnd(state)) return end;
  }
  if (Ending end = loadTableDimensions(state)) return end;
  if (Ending end = tableWithinBound(state)) return end;
  reserveResultArrays(state);
  if (!modern) {
    if (Status failure = chooseFiles(state, notes)) return endFor(std::move(*failure));
  }
  if (!page) {
    if (Ending end = nothingAsked(state)) return end;
  }
  if (Ending end = periodsDiscriminated(state)) return end;
  if (Ending end = percentageBaseInTable(state)) return end;

  if (Status failure = tabulateFiles(state, notes)) return endFor(std::move(*failure));
  finishTotals(state);
  if (state.grandTotal == 0 && page) {
    return closingEnd(EndReason::noRecords,
                      "<H2>" + localMessage(PageText::noRecordSelected, state.language) + "</H2>");
  }
  const ProtectionSources protection = protectionSources(state);
  if (state.grandTotal == 0) {
    keepTotalsAlone(state);
  } else {
    computeDerivedValues(state);
  }
  // Periods whose codes cannot be described end the request before the table is written.
  std::string periodText;
  if (Status failure = periodDescription(state.periodCodes, state.language, periodText)) {
    return endFor(std::move(*failure));
  }
  ResultModel model = resultModel(state);
  markProtectedCells(model, protection, state);
  releaseCells(state);
  if (!page) {
    // Logged first: a log that cannot be written is a fault the answer's status still tells.
    if (Status failure = appendLogLine(state)) return endFor(std::move(*failure));
    writeDataAnswer(state, model, dataFormat);
    return std::nullopt;
  }
  if (modern) {
    state.modernStage = TabulationState::ModernStage::result;
    if (Status failure = writeModernResult(state, model)) return endFor(std::move(*failure));
    writeLine(stdout, "</body>");
    writeTableBlock(state);
    writeLine(stdout, "</html>");
    state.modernStage = TabulationState::ModernStage::closed;
  } else {
    writeResultTable(state, model);
    if (state.tableLinks) writeTableLinks(state);
    if (Status failure = writeCopiesAndLinks(state, model)) return endFor(std::move(*failure));
    writeLine(stdout, "</BODY>");
    writeTableBlock(state);
    writeLine(stdout, "</HTML>");
  }
  if (Status failure = appendLogLine(state)) return endFor(std::move(*failure));
  return std::nullopt;
}

}  // namespace

int runRequest(TabulationState& state, int argc, char** argv) {
  const Ending end = answerRequest(state, argc, argv);
  const DataFormat dataFormat = dataFormatOf(state.query);
  if (end && dataFormat != DataFormat::none) return endDataRequest(state, dataFormat, *end);
  if (!end) return finishOutput();
  if (state.modernStage != TabulationState::ModernStage::none) return writeModernEnd(state, *end);
  return endWith(end->classic);
}
