// The selection form of one definition: the period list, the row, column, measure and selection
// lists, posting to vorlexcgi. formwright reads the definition its own way (trimmed lines, upper-
// case letters only, every list line kept) and writes one page to standard output.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "failure.h"
#include "form_labels.h"
#include "language.h"
#include "modern_texts.h"

// Room the form keeps; what lies beyond is ignored.
inline constexpr std::size_t kMaxFormNames = 300;      // names of one list, and S lines
inline constexpr std::size_t kMaxFormTextLines = 100;  // H, R or F lines of one kind
inline constexpr std::size_t kMaxFormSelections = 80;  // selection dimensions loaded for the page
inline constexpr std::uint16_t kMaxDataFiles = 1000;   // data files listed as periods

// A measure name with its letter (I, E or %) and the field it refers to: a stock's period field,
// a percentage's variable.
struct MeasureReference {
  std::string name;
  char letter = 'I';
  std::string referenceField;
};

struct SelectionForm {
  std::string title;                       // first line after its ";"
  std::string dataFileSpec;                // the last A line, at most 120 characters
  std::vector<std::string> rowList;        // D, L and T keys, spaces removed
  std::vector<std::string> columnList;     // C and T keys
  std::vector<std::string> measureList;    // I, E and % keys
  std::vector<std::string> selectionList;  // S lines, normalized, at most 120 characters
  std::vector<std::string> headerLines, footnoteLines, footerLines;  // H, R, F
  Language language = Language::portuguese;
  bool styleSheetsOn = false;
  std::string styleSheet, printStyleSheet;
  bool includeOn = true;
  std::string includeFile = "INCLUDE.HTM";
  std::string includeCode;      // replaces "$$" in the include file
  std::string scriptDirectory;  // SCRIPT_NAME up to its last "/"
  std::string definitionName;   // as the request gave it (escaped wherever it is shown)
  bool modern = false;          // OHTML5: the modern form
  // What the modern form's rules need: the row (D, L, T) and column (C, T) names with their
  // fields (the first line of a name answers, as in the tabulator), every measure with its
  // reference (the last line of a name answers).
  std::vector<NamedField> rowFields, columnFields;
  std::vector<MeasureReference> measureReferences;
};

// Reads the definition at `path` into `form`; fails when the file cannot be read.
[[nodiscard]] Status readSelectionForm(SelectionForm& form, const std::string& path);
// Writes the page (after the CGI header) to standard output, the modern one when the definition
// asks for it. A conversion file the loader refuses has its message written in place, where its
// list stands; a failure of the site (an unreadable file, a number that cannot be read) ends the
// page.
[[nodiscard]] Status writeSelectionForm(const SelectionForm& form);

// "2003" for a yearly file, "Nov/2003" for a monthly one, from the digits of the name.
std::string periodLabel(std::string_view fileName, Language language);
// Four-digit year of the name's first two digits, then the name in lower case: sorts the data
// files in time order.
std::string periodSortKey(std::string_view fileName);
// The names of the data files in time order, the latest first, as the period list offers them
// (at most kMaxDataFiles), in lower case.
std::vector<std::string> periodsLatestFirst(const std::vector<std::string>& files);
// The include file's lines, each "$$" replaced by the include code; none when the definition
// switched it off or it does not exist. Fails when it exists but cannot be read.
[[nodiscard]] Status includeLines(const SelectionForm& form, std::vector<std::string>& lines);
// The two characters before a four-character extension of the definition name.
std::string formIncludeCode(std::string_view definitionName);
// Every "$$" of the line replaced by `code`, left to right.
std::string withIncludeCode(std::string_view line, std::string_view code);

// The definition name of the request: argument 1, or QUERY_STRING when there is no argument
// and it holds no "="; empty when there is neither.
std::string formDefinitionName(int argc, char** argv);
// The name with every backslash as "/" and its extension replaced by ".def".
std::string formDefinitionPath(const std::string& name);
// The definition file to read (found ignoring case), or empty when it is missing or the name
// would leave the site.
std::string existingDefinition(const std::string& path);
void writeMissingDefinition(const std::string& path);
// A form with the request's values: the name, its include code, the script directory.
SelectionForm newSelectionForm(const std::string& name);
