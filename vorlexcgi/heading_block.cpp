#include "heading_block.h"

#include <cstdio>
#include <string>

#include "messages.h"
#include "output.h"
#include "text_helpers.h"
#include "text_limits.h"

std::string choiceName(const std::string& choice) { return trimSpaces(cut(choice, kMaxName)); }

std::string headingChoices(const ResultModel& model) {
  std::string line;
  for (std::size_t m = 1; m < model.measureNames.size(); ++m) {
    if (m > 1) line += ", ";
    line += htmlAccents(model.measureNames[m]);
  }
  if (model.columnActive) {
    line += " " + localMessage(PageText::by, model.language) + " " +
            htmlAccents(choiceName(model.columnChoice));
  }
  line += " " + localMessage(PageText::byRow, model.language) + " " +
          htmlAccents(choiceName(model.rowChoice));
  return line;
}

std::string chosenCategories(const ResultSelection& selection) {
  std::string text;
  for (std::size_t i = 0; i < selection.chosen.size(); ++i) {
    if (i > 0) text += ", ";
    text += htmlAccents(selection.chosen[i]);
  }
  return text;
}

void writeHeadingBlock(const ResultModel& model) {
  if (model.styleSheetsOn) {
    writeLine(stdout, "<H1 CLASS=\"Nivel0\">" + htmlAccents(model.title) + "</H1>");
  } else {
    writeLine(stdout, "<H2>" + htmlAccents(model.title) + "</H2>");
  }
  writeLine(stdout, "<b>" + headingChoices(model) + "</b><br>");
  for (const ResultSelection& selection : model.selections) {
    const std::string chosen = selection.chosen.empty() ? "" : " " + chosenCategories(selection);
    writeLine(stdout, "<b>" + htmlAccents(selection.title) + ":</b>" + chosen + "<BR>");
  }
  writeText(stdout,
            "<b>" + localMessage(PageText::period, model.language) + ":</b> " + model.periodText);
  if (!model.styleSheetsOn) writeLine(stdout, "<P>");
}
