// formwright: reads a definition and writes the selection form whose fields vorlexcgi reads.
// The definition is read here on its own terms (see readSelectionForm); the conversion files of
// the selections go through the common loader, which writes its failures into the page.
#include "form_page.h"

#include <algorithm>
#include <cstdio>

#include "code_dictionary.h"
#include "conversion.h"
#include "file_search.h"
#include "form_fields.h"
#include "modern_form.h"
#include "output.h"
#include "page_head.h"
#include "text_helpers.h"
#include "text_limits.h"

namespace {

// Two-digit years from "4" on are the 1900s here (vorlexcgi starts them at "5"): the two
// programs agree for the years 1950 to 2039, which is what the sites hold.
std::string widenedYear(std::string_view digits) {
  const bool nineteen = !digits.empty() && digits[0] >= '4';
  return (nineteen ? "19" : "20") + std::string(digits);
}

// The lines of the file without their line ends, each cut to 255 characters.
Status readTextLines(const std::string& path, std::vector<std::string>& lines) {
  std::string bytes;
  if (Status failure = readRequiredFile(path, bytes)) return failure;
  lines = cutLines(bytes);
  return std::nullopt;
}

char upperChar(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

bool startsWithUpper(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && upperAscii(text.substr(0, prefix.size())) == prefix;
}

template <typename Item>
void addLimited(std::vector<Item>& list, Item item, std::size_t limit) {
  if (list.size() < limit) list.push_back(std::move(item));
}

// Spaces before the first "," become "_" except in A, F, H and R lines; slashes from the first ","
// on become "/" except in lines written with F, H, O or R.
std::string preparedLine(std::string line) {
  if (line.empty()) return line;
  const std::size_t comma = line.find(',');
  const char letter = upperChar(line[0]);
  if (letter != 'A' && letter != 'F' && letter != 'H' && letter != 'R' &&
      comma != std::string::npos) {
    for (std::size_t i = 0; i < comma; ++i) {
      if (line[i] == ' ') line[i] = '_';
    }
  }
  const char written = line[0];
  if (written != 'F' && written != 'H' && written != 'O' && written != 'R') {
    for (std::size_t i = (comma == std::string::npos ? 0 : comma); i < line.size(); ++i) {
      if (line[i] == '\\') line[i] = '/';
    }
  }
  return line;
}

// Between the letter and the first ",", without spaces; empty without a ",".
std::string keyOf(const std::string& line) {
  const std::size_t comma = line.find(',');
  if (comma == std::string::npos) return "";
  return cut(removeSpaces(std::string_view(line).substr(1, comma - 1)), kMaxFileName);
}

void readOption(SelectionForm& form, const std::string& line) {
  const std::string_view option = std::string_view(line).substr(1);
  if (readLanguageOption(upperAscii(option), form.language)) {
    // The language is set.
  } else if (startsWithUpper(option, "HTML5")) {
    form.modern = true;
  } else if (startsWithUpper(option, "INCLUDE=NAO")) {
    form.includeOn = false;
  } else if (startsWithUpper(option, "INCLUDE=")) {
    form.includeFile = trimBlanks(option.substr(8));
  } else if (startsWithUpper(option, "CSS=")) {
    form.styleSheetsOn = true;
    form.styleSheet = std::string(option.substr(4));
  } else if (startsWithUpper(option, "CSSP=")) {
    form.printStyleSheet = std::string(option.substr(5));
  }
}

NamedField namedField(const std::string& line) {
  return {keyOf(line), dimensionFieldName(normalizeDimensionLine(line))};
}

void noteMeasureReference(SelectionForm& form, const std::string& line) {
  const std::string field =
      cut(trimBlanks(lineItem(normalizeDimensionLine(line), 2)), kMaxFieldName);
  addLimited(form.measureReferences, MeasureReference{keyOf(line), line[0], field}, kMaxFormNames);
}

void readEntry(SelectionForm& form, const std::string& line) {
  // The letter as written: lines in lower case are not entries for the form.
  switch (line[0]) {
    case 'A':
      form.dataFileSpec = cut(std::string_view(line).substr(1), kMaxFileName);
      break;
    case 'D':
    case 'L':
      addLimited(form.rowList, keyOf(line), kMaxFormNames);
      addLimited(form.rowFields, namedField(line), kMaxFormNames);
      break;
    case 'C':
      addLimited(form.columnList, keyOf(line), kMaxFormNames);
      addLimited(form.columnFields, namedField(line), kMaxFormNames);
      break;
    case 'T':
      addLimited(form.rowList, keyOf(line), kMaxFormNames);
      addLimited(form.columnList, keyOf(line), kMaxFormNames);
      addLimited(form.rowFields, namedField(line), kMaxFormNames);
      addLimited(form.columnFields, namedField(line), kMaxFormNames);
      break;
    case 'I':
    case 'E':
    case '%':
      addLimited(form.measureList, keyOf(line), kMaxFormNames);
      noteMeasureReference(form, line);
      break;
    case 'S':
      addLimited(form.selectionList, cut(normalizeDimensionLine(line), kMaxFileName),
                 kMaxFormNames);
      break;
    case 'H':
      addLimited(form.headerLines, line.substr(1), kMaxFormTextLines);
      break;
    case 'R':
      addLimited(form.footnoteLines, line.substr(1), kMaxFormTextLines);
      break;
    case 'F':
      addLimited(form.footerLines, line.substr(1), kMaxFormTextLines);
      break;
    case 'O':
      readOption(form, line);
      break;
    default:
      break;
  }
}

void writeOut(std::string_view text) { writeLine(stdout, text); }

std::string headingOpen(const SelectionForm& form) {
  return form.styleSheetsOn ? "<H2 class=\"Nivel0\">" : "<H2>";
}

// The row and measure lists: every name offered, the first one chosen.
void writeNameOptions(const std::vector<std::string>& names) {
  for (std::size_t i = 0; i < names.size(); ++i) {
    writeOut("<OPTION VALUE=\"" + names[i] + (i == 0 ? "\" SELECTED>" : "\">") +
             htmlAccents(names[i]));
  }
}

void writeHead(const SelectionForm& form) {
  writeClassicHeadStart(
      {form.title, form.styleSheetsOn, form.styleSheet, form.printStyleSheet, false});
  writeOut("</HEAD><BODY>");
  for (const std::string& line : form.headerLines) writeOut(line);
  writeOut("<CENTER>");
  writeOut(headingOpen(form) + htmlAccents(form.title) + "</H2>");
  writeOut("<FORM ACTION=\"" +
           htmlEscape(form.scriptDirectory + "vorlexcgi.exe?" + form.definitionName) +
           "\" METHOD=POST>");
}

void writeDimensionLists(const SelectionForm& form) {
  const Language language = form.language;
  if (!form.rowList.empty()) {
    writeOut("<LABEL for=\"L\"><b>" + formLabel(FormLabel::rows, language) + "</b></LABEL>");
    writeOut("<SELECT NAME=\"" + std::string(formField::row) + "\" ID=\"L\" SIZE=4 >");
    writeNameOptions(form.rowList);
    writeOut("</SELECT>");
  }
  if (!form.columnList.empty()) {
    writeOut("<LABEL for=\"C\"><b>" + formLabel(FormLabel::columns, language) + "</b></LABEL>");
    writeOut("<SELECT NAME=\"" + std::string(formField::column) + "\" ID=\"C\" SIZE=4 >");
    writeOut("<OPTION VALUE=\"" + std::string(kNoColumn) + "\" SELECTED>" +
             formLabel(FormLabel::noColumn, language));
    for (const std::string& name : form.columnList) {
      writeOut("<OPTION VALUE=\"" + name + "\">" + htmlAccents(name));
    }
    writeOut("</SELECT>");
  }
  if (!form.measureList.empty()) {
    writeOut("<LABEL for=\"I\"><b>" + formLabel(FormLabel::cells, language) + "</b></LABEL>");
    writeOut("<SELECT NAME=\"" + std::string(formField::measure) + "\" ID=\"I\" SIZE=4 MULTIPLE>");
    writeNameOptions(form.measureList);
    writeOut("</SELECT> <P>");
  }
}

// The data files in time order, the latest first and chosen.
void writePeriodList(const SelectionForm& form, const std::vector<std::string>& files) {
  writeOut("<TABLE BORDER=0 ALIGN=\"CENTER\">");
  writeOut("<TR valign=\"center\"><TD align=\"center\">");
  writeOut(std::string(form.styleSheetsOn ? "<LABEL for=\"A\"><H2 class=\"Nivel0\">"
                                          : "<LABEL for=\"A\"><H2>") +
           formLabel(FormLabel::availablePeriods, form.language) + "</H2></LABEL>");
  writeOut("<SELECT NAME=\"" + std::string(formField::files) + "\" ID=\"A\" SIZE=4 MULTIPLE>");
  const std::vector<std::string> names = periodsLatestFirst(files);
  for (std::size_t i = 0; i < names.size(); ++i) {
    writeOut("<OPTION VALUE=\"" + names[i] + (i == 0 ? "\" SELECTED >" : "\">") +
             periodLabel(names[i], form.language));
  }
  writeOut("</SELECT></TABLE><P>");
}

// A conversion file the loader refuses leaves its list with "all categories" alone and its
// message in the page, where the list stands; the other lists are written all the same.
Status writeSelection(const SelectionForm& form, const std::string& line, int n) {
  Dimension dimension;
  const Status refused = loadDimension(line, kMaxFormSelectionCategories + 1, dimension);
  if (refused && refused->status != 0) return refused;
  if (refused) writeOut(refused->text);
  const bool loaded = !refused;
  const std::string name = trimBlanks(std::string_view(line).substr(0, kSelectionFieldName));
  const std::string number = std::to_string(n);
  writeOut("<TR><TD align=\"left\"><LABEL for=\"S" + number + "\">" + htmlAccents(name));
  writeOut("</LABEL><TD align=\"left\"><SELECT NAME=\"S" + name + "\" ID=\"S" + number +
           "\" SIZE=4 MULTIPLE>");
  writeOut("<OPTION VALUE=\"" + std::string(kAllCategories) + "\" SELECTED >" +
           formLabel(FormLabel::allCategories, form.language));
  if (loaded) {
    for (int k = 1; k <= dimension.categoryCount; ++k) {
      writeOut("<OPTION VALUE=\"" + std::to_string(k) + "\">" +
               htmlAccents(dimension.categoryNames[k]));
    }
  }
  writeOut("</SELECT></TD></TR>");
  writeOut("<P>");
  return std::nullopt;
}

Status writeSelections(const SelectionForm& form) {
  if (form.selectionList.empty()) return std::nullopt;
  writeOut(headingOpen(form) + formLabel(FormLabel::availableSelections, form.language) +
           "</H2><P>");
  writeOut("<TABLE ALIGN=\"center\">");
  const std::size_t shown = std::min(form.selectionList.size(), kMaxFormSelections);
  for (std::size_t i = 0; i < shown; ++i) {
    if (Status failure = writeSelection(form, form.selectionList[i], static_cast<int>(i + 1))) {
      return failure;
    }
  }
  writeOut("<P>");
  return std::nullopt;
}

void writeChoicesAndButtons(const SelectionForm& form) {
  const Language language = form.language;
  writeOut("<TR><TD colspan=3 align=\"center\"><BR>");
  writeOut("<INPUT TYPE=\"checkbox\" NAME=\"" + std::string(formField::sortRows) +
           "\" ID=\"O\" VALUE=\"" + std::string(kSortRowsValue) + "\"><LABEL for=\"O\">" +
           formLabel(FormLabel::sortByColumnValues, language) + "</LABEL>&nbsp;&nbsp;");
  writeOut("<INPUT TYPE=\"checkbox\" NAME=\"" + std::string(formField::zeroRows) +
           "\" ID=\"Z\" VALUE=\"" + std::string(kShowZeroRowsValue) +
           "\"><LABEL for=\"Z\">Exibir linhas zeradas</LABEL><P>");
  writeOut("<LABEL for=\"F\">" + formLabel(FormLabel::format, language) + "</LABEL>");
  const std::string radio =
      "<INPUT TYPE=\"radio\" NAME=\"" + std::string(formField::format) + "\" ID=\"F\" VALUE=\"";
  writeOut(radio + std::string(formatValue::table) + "\" CHECKED >" +
           formLabel(FormLabel::tableWithBorders, language));
  writeOut(radio + std::string(formatValue::preformatted) + "\" >" +
           formLabel(FormLabel::preformattedText, language));
  writeOut(radio + std::string(formatValue::separated) + "\" >" +
           formLabel(FormLabel::columnsSeparatedBy, language) + " \";\"");
  writeOut("<P><P>");
  writeOut("<INPUT NAME=\"" + std::string(formField::submit) +
           "\" TYPE=\"submit\" VALUE=" + formLabel(FormLabel::show, language) + ">");
  writeOut("<INPUT TYPE=\"reset\" VALUE=" + formLabel(FormLabel::reset, language) + "><br>");
  writeOut("</FORM>");
  writeOut("</TABLE>");
  writeOut("</CENTER>");
}

}  // namespace

Status includeLines(const SelectionForm& form, std::vector<std::string>& lines) {
  lines.clear();
  if (!form.includeOn) return std::nullopt;
  std::string name = form.includeFile;
  for (char& c : name) {
    if (c == '\\') c = '/';
  }
  const std::string path = findFile(name);
  if (path.empty()) return std::nullopt;
  if (Status failure = readTextLines(path, lines)) return failure;
  for (std::string& line : lines) line = withIncludeCode(line, form.includeCode);
  return std::nullopt;
}

std::string periodLabel(std::string_view fileName, Language language) {
  const std::string widened = widenedYear(digitsOnly(fileName));
  if (widened.size() <= 4) return widened;
  const std::string year = widened.substr(0, 4);
  const std::string monthDigits = widened.substr(4, 2);
  std::int32_t month = 0;
  if (monthDigits.size() == 2 && tryInteger(monthDigits, month) && month >= 1 && month <= 12) {
    return monthAbbreviation(language, month - 1) + ("/" + year);
  }
  // No month by that number: the digits stand for themselves.
  return monthDigits + "/" + year;
}

std::string periodSortKey(std::string_view fileName) {
  std::string digits = digitsOnly(fileName).substr(0, 2);
  // A name with fewer than two digits is no period file, but it still gets a four-digit year so
  // that the name stands after it.
  digits.resize(2, '0');
  return widenedYear(digits) + lowerAscii(fileName);
}

// The dictionary sorts the files by their period keys; the four year characters in front of
// each key are dropped again, leaving the lower-case name.
std::vector<std::string> periodsLatestFirst(const std::vector<std::string>& files) {
  CodeDictionary periods;
  createDictionary(periods, kMaxDataFiles);
  for (std::size_t i = 0; i < files.size(); ++i) {
    // Beyond the dictionary's room the remaining files are not offered.
    if (insertCode(periods, periodSortKey(files[i]), static_cast<std::uint16_t>(i + 1)) ==
        InsertResult::full) {
      break;
    }
  }
  std::vector<std::string> names;
  for (int i = periods.count; i >= 1; --i) names.push_back(periods.entries[i].code.substr(4));
  clearDictionary(periods);
  return names;
}

std::string formIncludeCode(std::string_view definitionName) {
  const std::size_t size = definitionName.size();
  if (size < 5) return "";
  const std::size_t start = size >= 6 ? size - 6 : 0;
  return std::string(definitionName.substr(start, size - 4 - start));
}

std::string withIncludeCode(std::string_view line, std::string_view code) {
  std::string result;
  std::size_t start = 0;
  for (std::size_t found = line.find("$$"); found != std::string_view::npos;
       found = line.find("$$", start)) {
    result.append(line.substr(start, found - start));
    result.append(code);
    start = found + 2;
  }
  result.append(line.substr(start));
  return result;
}

Status readSelectionForm(SelectionForm& form, const std::string& path) {
  std::vector<std::string> lines;
  if (Status failure = readTextLines(path, lines)) return failure;
  if (lines.empty()) return std::nullopt;
  // The first line is the title or nothing: never an entry.
  if (!lines[0].empty() && lines[0][0] == ';') form.title = lines[0].substr(1);
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::string line = preparedLine(trimBlanks(lines[i]));
    if (!line.empty()) readEntry(form, line);
  }
  return std::nullopt;
}

Status writeSelectionForm(const SelectionForm& form) {
  const std::vector<std::string> files = matchingFiles(form.dataFileSpec);
  if (form.modern) return writeModernForm(form, files);
  writeHead(form);
  if (files.empty()) {
    writeOut("<H2> Nenhum dado dispon&iacute;vel <H1>");
    return std::nullopt;
  }
  writeDimensionLists(form);
  writePeriodList(form, files);
  if (Status failure = writeSelections(form)) return failure;
  writeChoicesAndButtons(form);
  for (const std::string& line : form.footnoteLines) writeOut(line);
  for (const std::string& line : form.footerLines) writeOut(line);
  std::vector<std::string> included;
  if (Status failure = includeLines(form, included)) return failure;
  for (const std::string& line : included) writeOut(line);
  writeOut("</BODY></HTML>");
  return std::nullopt;
}

std::string formDefinitionName(int argc, char** argv) {
  if (argc >= 2 && argv[1][0] != '\0') return argv[1];
  const std::string query = getEnv("QUERY_STRING");
  return query.find('=') == std::string::npos ? query : std::string();
}

std::string formDefinitionPath(const std::string& name) {
  std::string path = name;
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return cut(replaceExtension(path, ".def"), kMaxText);
}

std::string existingDefinition(const std::string& path) {
  return staysInSite(path) ? findFile(path) : std::string();
}

void writeMissingDefinition(const std::string& path) {
  writeOut("<h4>Arquivo DEF n\xE3o encontrado: " + htmlEscape(path) + "</h4>");
}

SelectionForm newSelectionForm(const std::string& name) {
  SelectionForm form;
  form.definitionName = name;
  form.includeCode = formIncludeCode(name);
  form.scriptDirectory = directoryPart(getEnv("SCRIPT_NAME"));
  return form;
}
