// The result as text inside the page (pre, prn and notebook formats) and the CSV copy, and the
// column labels and display names that these share with the spreadsheet copy.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "result_model.h"

void writePreformatted(const ResultModel& model);
void writeSeparated(const ResultModel& model, char separator);
void writeNotebook(const ResultModel& model, char separator);
// The same without the heading block, for a page that writes its own; the separated text ends
// with "</PRE>" and no line end.
void writePreformattedText(const ResultModel& model);
void writeSeparatedText(const ResultModel& model, char separator);
// The page's line when a copy cannot be created in the "csv" directory.
inline constexpr const char* kNoCopyPermission =
    "<h4>Sem permiss\xE3o para gravar no diret\xF3rio CSV!!!</h4>";
// Writes a copy to `path`, created anew, with `write`. Fails with kNoCopyPermission when the file
// cannot be created, "Erro: falha ao gravar arquivo" when a write fails and "Erro: falha ao
// gravar " + path when it cannot be closed.
[[nodiscard]] Status writeCopyFile(const std::string& path,
                                   const std::function<void(std::FILE*)>& write);
// Writes the CSV copy to `path`, created anew.
[[nodiscard]] Status writeCsvCopy(const ResultModel& model, const std::string& path,
                                  char separator);
std::string underscoresToSpaces(std::string_view text);
int numberWidth(int decimals, double value);

// labels[1..columnCount]: the column dimension's categories, or the measure names trimmed when
// there is no column dimension. Slot 0 unused.
std::vector<std::string> columnLabels(const ResultModel& model);
// The dimension name of a Linha or Coluna choice: its first 31 characters, trimmed, with "_"
// as spaces.
std::string choiceDisplayName(const std::string& choice);
// The measure names, with "_" as spaces, run together with nothing between them.
std::string measureNamesRunTogether(const ResultModel& model);
// A selection's line in the copies: the dimension title, ":", then the selected categories.
std::string selectionLine(const ResultSelection& selection);

// How the separated text forms (prn, notebook, CSV copy, spreadsheet copy) write their heading
// line, body rows and totals row.
enum class LabelForm { html, spaces, unchanged };  // htmlAccents, underscoresToSpaces, as stored
struct SeparatedLayout {
  char separator = ';';
  LabelForm titleForm = LabelForm::unchanged;  // the row dimension's title
  LabelForm labelForm = LabelForm::unchanged;  // the column and row labels
  bool everyRowAndColumn = false;              // the notebook leaves nothing out
  std::string (*number)(const ResultModel&, double value, int decimals) = nullptr;
};
// The quoted heading line, one line per row in natural order, and the totals row when shown.
void writeSeparatedTable(std::FILE* file, const ResultModel& model, const SeparatedLayout& layout);
// The copies' number form: 15 significant digits, the language's decimal separator.
std::string copyFixedPoint(const ResultModel& model, double value, int decimals);
