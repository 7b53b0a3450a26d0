// Reads a tabulation definition together with the posted choices: the title, texts and options,
// the data file pattern, the lines that match the posted row, column and measures, and the
// selections the form restricts. Lines are matched against posted keys exactly, with case.
#include "definition.h"

#include <cstdio>

#include "file_search.h"
#include "form_fields.h"
#include "form_input.h"
#include "output.h"
#include "text_helpers.h"
#include "text_limits.h"

namespace {

char upperByte(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

Status readDefinitionFile(const std::string& path, std::string& bytes) {
  std::string found = findFile(path);
  if (found.empty()) found = path;
  return readRequiredFile(found, bytes);
}

// Spaces in the key become "_" and slashes in the fields become the path separator, except on
// H, F, O and R lines whose letter stands in column 1 in upper case: their text is the
// administrator's HTML or option value.
std::string prepareLine(std::string line, char pathSeparator) {
  const bool exempt =
      !line.empty() && (line[0] == 'F' || line[0] == 'H' || line[0] == 'O' || line[0] == 'R');
  if (!exempt) {
    const std::size_t comma = line.find(',');
    const std::size_t fieldsStart = comma == std::string::npos ? 0 : comma;
    if (comma != std::string::npos) {
      for (std::size_t i = 0; i < comma; ++i) {
        if (line[i] == ' ') line[i] = '_';
      }
    }
    for (std::size_t i = fieldsStart; i < line.size(); ++i) {
      if (line[i] == '/' || line[i] == '\\') line[i] = pathSeparator;
    }
  }
  return trimBlanks(line);
}

// The next comma-separated field of `rest`, trimmed; `rest` keeps what follows the comma.
std::string nextField(std::string_view& rest) {
  const std::size_t comma = rest.find(',');
  const std::string field = trimBlanks(rest.substr(0, comma));
  rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
  return field;
}

Status readMeasure(MeasureSpec& measure, char letter, const std::string& line) {
  const std::string normalized = normalizeDimensionLine(line);
  std::string_view rest =
      std::string_view(normalized).substr(std::min(kMaxName, normalized.size()));
  measure.valueField = cut(nextField(rest), kMaxFieldName);
  measure.secondField = cut(nextField(rest), kMaxFieldName);
  measure.isStock = letter == 'E';
  measure.isPercentage = letter == '%';
  measure.isRate = letter == 'I' && !measure.secondField.empty();
  if (measure.isRate) {
    // Rate multipliers are written with "." as the decimal point whatever the page's language.
    if (Status failure = requireReal(nextField(rest), measure.multiplier)) return failure;
    std::int32_t decimals = 0;
    if (Status failure = requireInteger(nextField(rest), decimals)) return failure;
    measure.decimals = decimals;
  } else {
    measure.multiplier = 1.0;
    measure.decimals = 0;
  }
  return std::nullopt;
}

// Whether the modern form showed the selection field: it names each one in "listas", cut as the
// form cuts the name.
bool listedByTheForm(const TabulationState& state, const std::string& fieldName) {
  const std::string shortName = trimBlanks(fieldName.substr(0, 1 + kSelectionFieldName));
  for (const std::string& listed : formValues(state.query, formField::selectionLists)) {
    if (listed == fieldName || listed == shortName) return true;
  }
  return false;
}

Status readSelection(TabulationState& state, const std::string& line) {
  const std::size_t comma = line.find(',');
  if (comma == std::string::npos) return std::nullopt;
  const std::string fieldName = trimBlanks(std::string_view(line).substr(0, comma));
  std::vector<std::string> values = formValues(state.query, fieldName);
  // The form cuts a long name; a client that posts it whole is answered all the same.
  if (values.empty() && fieldName.size() > 1 + kSelectionFieldName) {
    values = formValues(state.query, trimBlanks(fieldName.substr(0, 1 + kSelectionFieldName)));
  }
  if (values.empty() && listedByTheForm(state, fieldName)) {
    const std::string shown =
        trimBlanks(normalizeDimensionLine(line).substr(0, kSelectionFieldName));
    state.emptySelections.push_back(htmlAccents(shown));
  }
  if (values.empty() || values.front() == kAllCategories) return std::nullopt;

  SelectionFilter filter;
  if (Status failure = loadDimension(normalizeDimensionLine(line), kMaxSelectionCategories + 1,
                                     filter.dimension)) {
    // A refused conversion file does not stop the reading; the page shows why at once.
    if (failure->status != 0) return failure;
    state.selectionRefusals.push_back(std::move(*failure));
  }
  const std::int32_t categories = filter.dimension.categoryCount;
  filter.selected.assign(static_cast<std::size_t>(std::max(categories, 0)) + 2, false);
  for (const std::string& value : values) {
    // A number outside the dimension names no category and selects nothing.
    std::int32_t category = 0;
    if (Status failure = requirePostedInteger(value, category)) return failure;
    if (category >= 1 && category <= categories + 1) filter.selected[category] = true;
  }
  if (state.selections.empty()) state.selections.resize(1);
  state.selections.push_back(std::move(filter));
  ++state.selectionCount;
  return std::nullopt;
}

// A protection the definition asks for and cannot have must not pass silently as none.
Status readSmallCountLimit(const std::string& option, int& limit) {
  std::int32_t value = 0;
  if (!tryInteger(trimBlanks(option.substr(7)), value) || value < 2) {
    return runtimeError("O" + option + ": o limite deve ser um inteiro de 2 ou mais");
  }
  limit = value;
  return std::nullopt;
}

Status readUnreliableLimit(const std::string& option, double& limit) {
  double value = 0;
  if (!tryReal(trimBlanks(option.substr(9)), value) || !(value > 0)) {
    return runtimeError("O" + option + ": o limite deve ser um n\xFAmero maior que zero");
  }
  limit = value;
  return std::nullopt;
}

// OMAPA=<row key>,<file>,<property>. A line short of a part is kept, so that the page can say
// why its map is missing.
MapOption readMapOption(std::string_view text) {
  MapOption map;
  map.rowKey = nextField(text);
  for (char& c : map.rowKey) {
    if (c == ' ') c = '_';
  }
  map.file = cut(nextField(text), kMaxFileName);
  for (char& c : map.file) {
    if (c == '\\') c = '/';
  }
  map.property = nextField(text);
  map.complete = !map.rowKey.empty() && !map.file.empty() && !map.property.empty();
  return map;
}

Status readOption(TabulationState& state, const std::string& option) {
  const std::string upper = upperAscii(option);
  const auto startsWith = [&upper](std::string_view name) { return upper.rfind(name, 0) == 0; };
  if (readLanguageOption(upper, state.language)) {
    // The language is set.
  } else if (startsWith("CSSP=")) {
    state.printStyleSheet = option.substr(5);
  } else if (startsWith("CSS=")) {
    state.styleSheetsOn = true;
    state.styleSheet = option.substr(4);
  } else if (startsWith("ZEROHIFEN")) {
    state.zeroAsHyphen = true;
  } else if (startsWith("MAPA=")) {
    state.maps.push_back(readMapOption(std::string_view(option).substr(5)));
  } else if (startsWith("SIGILO=")) {
    return readSmallCountLimit(option, state.smallCountLimit);
  } else if (startsWith("INSTAVEL=")) {
    return readUnreliableLimit(option, state.unreliableLimit);
  } else if (startsWith("HTML5")) {
    state.modern = true;
  } else if (upper == "LINKS") {
    state.tableLinks = true;
  }
  return std::nullopt;
}

void chooseRow(TabulationState& state, const std::string& key, const std::string& line) {
  // The first matching line wins.
  if (!state.rowChoiceMatched && key == state.rowChoice) {
    state.rowChoice = normalizeDimensionLine(line);
    state.rowChoiceMatched = true;
  }
}

void chooseColumn(TabulationState& state, const std::string& key, const std::string& line) {
  if (!state.columnChoiceMatched && key == state.columnChoice) {
    state.columnChoice = normalizeDimensionLine(line);
    state.columnChoiceMatched = true;
  }
}

void offerRow(TabulationState& state, const std::string& key, const std::string& line) {
  state.offeredRows.push_back({key, dimensionFieldName(normalizeDimensionLine(line))});
  chooseRow(state, key, line);
}

void offerColumn(TabulationState& state, const std::string& key, const std::string& line) {
  state.offeredColumns.push_back({key, dimensionFieldName(normalizeDimensionLine(line))});
  chooseColumn(state, key, line);
}

Status readEntry(TabulationState& state, const std::string& line) {
  const char letter = upperByte(line[0]);
  const std::size_t comma = line.find(',');
  const std::string key = comma == std::string::npos ? "" : line.substr(1, comma - 1);
  const std::string text = line.substr(1);
  switch (letter) {
    case 'A':
      state.dataFileSpec = cut(text, kMaxFileName);
      break;
    case 'L':
    case 'D':
      offerRow(state, key, line);
      break;
    case 'C':
      offerColumn(state, key, line);
      break;
    case 'T':
      offerRow(state, key, line);
      offerColumn(state, key, line);
      break;
    case 'I':
    case 'E':
    case '%':
      for (int i = 1; i <= state.measureCount && i < static_cast<int>(state.measures.size()); ++i) {
        if (state.measures[i].name == key) {
          if (Status failure = readMeasure(state.measures[i], letter, line)) return failure;
        }
      }
      break;
    case 'S':
      if (Status failure = readSelection(state, line)) return failure;
      break;
    case 'H':
      state.headerLines.push_back(text);
      break;
    case 'F':
      state.footerLines.push_back(text);
      break;
    case 'R':
      state.footnoteLines.push_back(text);
      break;
    case 'O':
      if (Status failure = readOption(state, text)) return failure;
      break;
    default:
      break;
  }
  return std::nullopt;
}

}  // namespace

Status readDefinition(TabulationState& state) {
  std::string bytes;
  if (Status failure = readDefinitionFile(state.defPath, bytes)) return failure;
  const std::vector<std::string> lines = cutLines(bytes);
  if (lines.empty()) return std::nullopt;
  // The first line is never an entry: it carries the title when it starts with ";".
  if (!lines[0].empty() && lines[0][0] == ';') state.title = lines[0].substr(1);
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::string line = prepareLine(lines[i], state.pathSeparator);
    if (line.empty()) continue;
    if (Status failure = readEntry(state, line)) return failure;
  }
  return std::nullopt;
}
