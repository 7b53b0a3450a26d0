// The texts of the modern pages (definition option OHTML5) in three languages: the form's hint,
// filter and rules, the result page's marks and copy links, and the reasons a request makes no
// sense. Each reason names the choice to change with the labels the form shows, so the form's
// checks before posting and the tabulator's answer after it say the same thing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "language.h"

enum class ModernText : std::uint8_t {
  severalHint,       // how to choose several items of a list
  filter,            // label of a list's filter box
  showZeroRows,      // the zeradas check box
  fixBeforeShowing,  // heads the form's list of problems found before posting
  noData,            // the form of a definition whose pattern matches no data file
  total,             // the totals row and column
  subtotal,          // read out after the label of a row that others roll up into
  copies,            // names the list of copy links
  csvCopy,
  tabCopy,
  backToForm,
  refused,  // heads a page that answers a request with a reason instead of a table
};

// The text in `language`, as Windows-1252 bytes (the modern pages declare that character set).
std::string modernText(ModernText text, Language language);

// The texts of the chart and the map below the result, with places for names and numbers.
enum class PictureText : std::uint8_t {
  chartCaption,        // %M by %R
  chartCaptionColumn,  // %M by %R and %C
  chartLargest,        // the %K rows of largest value of %N
  chartTotals,         // more than 8 columns: one bar per row, its total
  chartFirstColumns,   // more than 8 columns and no totals column: the first 8 of %N
  mapCaption,          // %M by %R
  noValue,             // a place the table gives no value
  suppressedValue,
  mapMissing,     // %F: no such file
  mapInvalid,     // %F: not a GeoJSON collection of polygons
  mapIncomplete,  // an OMAPA line without its three parts
  mapNoTotal,     // a table without the totals column the map would show
};
struct PictureSlots {
  std::string_view measure, row, column, file;  // %M, %R, %C, %F, in page form
  int shown = 0, total = 0;                     // %K, %N
};
std::string pictureText(PictureText text, Language language, const PictureSlots& slots = {});

// The requests the modern page refuses with a reason of their own.
enum class Nonsense : std::uint8_t {
  noPeriod,
  noMeasure,
  percentageWithoutVariable,  // subject: the measure
  measuresWithColumn,
  stockOverPeriods,  // subject: the measure
  rowEqualsColumn,   // subject: the variable
  noCategory,        // subject: the selection
};

// The reason in `language`. `subject` and `alternatives` (the row and column variables that would
// answer it) are names as the form shows them: htmlAccents of the definition's key.
std::string nonsenseMessage(Nonsense reason, Language language, std::string_view subject = {},
                            const std::vector<std::string>& alternatives = {});

// The rules the form shows beside its lists, in the same words.
std::string severalMeasuresRule(Language language);
std::string percentageRule(Language language, std::string_view measure,
                           const std::vector<std::string>& alternatives);
std::string stockRule(Language language, std::string_view measure,
                      const std::vector<std::string>& alternatives);

// A row or column key of the definition with the data field its line names.
struct NamedField {
  std::string name, field;
};
// The names, as the form shows them, of the rows and then the columns on `field`: the choices that
// answer a percentage or a stock on it. A key counts by its first line, and each name once.
std::vector<std::string> namesOnField(const std::vector<NamedField>& rows,
                                      const std::vector<NamedField>& columns,
                                      std::string_view field);

// The name between the language's quotation marks.
std::string quotedName(Language language, std::string_view name);
