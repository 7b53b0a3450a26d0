// The spreadsheet copy: the request's titles, the map line and the selections as the desktop
// tabulator reads them, then the separated table.
#include "tab_export.h"

#include <cstdio>

#include "output.h"
#include "text_helpers.h"
#include "text_output.h"

std::string mapLine(const std::string& conversionFile) {
  // A definition written on the other system may still separate directories with "\".
  const std::string name = conversionFile.substr(conversionFile.find_last_of("/\\") + 1);
  const std::string upper = upperAscii(name);
  // The tabulator's own installation holds these maps; the state or region letters keep the
  // case of the file name.
  const std::string prefix = "Nomemapa=c:\\durnix\\";
  if (upper == "UF.CNV") return prefix + "brasil.map";
  if (upper.starts_with("MUNIC")) return prefix + name.substr(5, 2) + ".map";
  if (upper.starts_with("MICRO")) return prefix + name.substr(5, 2) + "mic.map";
  if (upper.starts_with("MESO")) return prefix + name.substr(4, 2) + "meso.map";
  if (upper.starts_with("RSAUD")) return prefix + name.substr(5, 2) + "reg.map";
  return "";
}

Status writeSpreadsheetCopy(const ResultModel& model, const std::string& path) {
  return writeCopyFile(path, [&](std::FILE* file) {
    writeLine(file, "Titulo1=" + model.title);
    std::string line = "Titulo2=" + measureNamesRunTogether(model);
    if (model.columnActive) line += " por " + choiceDisplayName(model.columnChoice);
    line += " segundo " + choiceDisplayName(model.rowChoice);
    writeLine(file, line);
    writeLine(file, "Rodape=Per\xEDodo:" + model.periodText);
    const std::string map = mapLine(model.rowConversionFile);
    if (!map.empty()) writeLine(file, map);
    for (const ResultSelection& selection : model.selections)
      writeLine(file, selectionLine(selection));
    writeSeparatedTable(file, model,
                        {';', LabelForm::spaces, LabelForm::unchanged, false, copyFixedPoint});
  });
}
