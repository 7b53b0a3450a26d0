#include "heading_block.h"

#include <cstdio>
#include <string>

#include "messages.h"
#include "output.h"
#include "text_helpers.h"
#include "text_limits.h"

namespace {

// The dimension's name: the first 31 characters of its normalized line.
std::string choiceName(const std::string& choice) { return trimSpaces(cut(choice, kMaxName)); }

}  // namespace

void writeHeadingBlock(const ResultModel& model) {
  if (model.styleSheetsOn) {
    writeLine(stdout, "<H1 CLASS=\"Nivel0\">" + htmlAccents(model.title) + "</H1>");
  } else {
    writeLine(stdout, "<H2>" + htmlAccents(model.title) + "</H2>");
  }
  std::string line = "<b>";
  for (std::size_t m = 1; m < model.measureNames.size(); ++m) {
    if (m > 1) line += ", ";
    line += htmlAccents(model.measureNames[m]);
  }
  if (model.columnActive) {
    line += " " + localMessage(PageText::by, model.language) + " " +
            htmlAccents(choiceName(model.columnChoice));
  }
  line += " " + localMessage(PageText::byRow, model.language) + " " + htmlAccents(choiceName(model.rowChoice));
  writeLine(stdout, line + "</b><br>");
  for (const ResultSelection& selection : model.selections) {
    std::string text = "<b>" + htmlAccents(selection.title) + ":</b>";
    bool first = true;
    for (const std::string& label : selection.chosen) {
      text += first ? " " : ", ";
      text += htmlAccents(label);
      first = false;
    }
    writeLine(stdout, text + "<BR>");
  }
  writeText(stdout, "<b>" + localMessage(PageText::period, model.language) + ":</b> " +
                        model.periodText);
  if (!model.styleSheetsOn) writeLine(stdout, "<P>");
}
