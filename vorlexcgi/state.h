// The one record of a tabulation request: the form data, the definition's texts and choices,
// the loaded dimensions, the result arrays and the display flags. main creates it and passes
// it to every step.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "conversion.h"
#include "language.h"
#include "modern_texts.h"
#include "output.h"
#include "site_settings.h"

struct MeasureSpec {
  std::string name;           // the posted Incremento value
  std::string valueField;     // at most 10; "#" counts records
  std::string secondField;    // at most 10; a rate's divisor, or the E / % reference field
  bool isStock = false;       // letter E
  bool isPercentage = false;  // letter %
  bool isRate = false;        // letter I with a second field
  double multiplier = 0;      // 1.0 for every matched measure that is not a rate
  int decimals = 0;
  int valueFieldNumber = 0;  // in the data file being read; 0 counts
  int secondFieldNumber = 0;
};

struct SelectionFilter {
  Dimension dimension;
  std::vector<bool> selected;  // selected[1..categoryCount + 1]; slot 0 unused
};

// An OMAPA line: the map the modern page draws when its row is chosen.
struct MapOption {
  std::string rowKey;  // as the form posts it: spaces as "_"
  std::string file;    // a GeoJSON file, relative to the site folder
  std::string property;
  bool complete = false;  // the line gives all three
};

struct TabulationState {
  SiteSettings settings;       // the defaults unless main read the site's
  std::string definitionName;  // command-line argument 1, as given
  std::string query;           // decoded form data
  // Where the form data came from when not from a posted body: a GET address (its form part
  // was addressLength bytes as sent), or "query.txt" (a run by hand: no CGI header).
  bool fromAddress = false, fromFile = false;
  std::size_t addressLength = 0;
  bool tableLinks = false;  // OLINKS: the page links to its own address and to the data answers
  std::string defPath;
  std::string title;
  Language language = Language::portuguese;
  bool styleSheetsOn = false;
  std::string styleSheet, printStyleSheet;
  bool zeroAsHyphen = false;
  std::vector<std::string> headerLines, footerLines, footnoteLines;  // at most 100 each
  bool modern = false;                                               // OHTML5: the modern page
  std::vector<MapOption> maps;                                       // OMAPA lines, in order
  // The row (D, L, T) and column (C, T) keys the definition offers, with their fields: the
  // modern page names those that would answer a percentage or a stock.
  std::vector<NamedField> offeredRows, offeredColumns;
  // The selections the modern form listed (its "listas" field) that came with nothing chosen,
  // by the name the form shows.
  std::vector<std::string> emptySelections;
  // How far the modern page is written, so that an early end closes what is open.
  enum class ModernStage : std::uint8_t { none, head, result, closed };
  ModernStage modernStage = ModernStage::none;
  std::string dataFileSpec;
  std::string rowChoice, columnChoice;
  // Whether a definition line matched the posted Linha / Coluna: a posted text that matched no
  // line is never loaded as a dimension line, so it cannot name a file of its own.
  bool rowChoiceMatched = false, columnChoiceMatched = false;
  Dimension rowDimension, columnDimension;
  bool columnActive = false;
  int rowCount = 0;     // R
  int columnCount = 0;  // K
  int measureCount = 0;
  std::vector<MeasureSpec> measures;  // measures[1..measureCount]; slot 0 unused
  // The loader's refusals of selection conversion files, in definition order: the page shows
  // them before its head and the request ends once the row dimension is loaded.
  std::vector<Failure> selectionRefusals;
  int selectionCount = 0;
  std::vector<SelectionFilter> selections;  // selections[1..selectionCount]; slot 0 unused
  std::vector<std::string> files;           // data file names, in tabulation order
  std::vector<std::string> periodCodes;     // at most 400, the last file's first

  // valueCells[c][r], c = 1..K + 1, r = 1..R + 1; the last column and row hold the values in no
  // category and are never shown. Slot 0 of each index is unused.
  std::vector<std::vector<double>> valueCells, divisorCells;
  // Records per cell, laid out as valueCells; kept only when small counts are suppressed. Without
  // a column dimension every measure counts the same records, so column 1 holds them.
  std::vector<std::vector<double>> countCells;
  std::vector<double> columnTotals, divisorColumnTotals;  // [1..K]
  std::vector<double> rowTotals, divisorRowTotals;        // [1..R]
  double grandTotal = 0, divisorGrandTotal = 0;
  std::vector<int> columnDecimals;  // [1..K]
  std::vector<int> rowOrder;        // [1..R]

  // OSIGILO=k: cells of 1..k-1 records are suppressed (0: off). OINSTAVEL=n: a rate whose
  // numerator is below n is marked unreliable (0: off).
  int smallCountLimit = 0;
  double unreliableLimit = 0;

  bool sortRows = false, showZeroRows = false;
  bool showTotalRow = true, showTotalColumn = true;
  bool suppressCopies = false;
  std::string csvFileName, tabFileName;
  LocalTime startTime;
  char pathSeparator = '/';
  char thousandsSeparator = '.', decimalSeparator = ',';
};
